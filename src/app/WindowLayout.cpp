#include "WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace spawn {

void WindowLayout::capture(QWidget& window, int lowerLeftTop, QWidget& mapGroup, QWidget& map,
                           std::initializer_list<QWidget*> underMap,
                           std::initializer_list<QWidget*> growingDown) {
    m_window = &window;
    m_firstSize = window.size();
    m_lowerLeftTop = lowerLeftTop;
    m_mapGroupFirst = mapGroup.geometry();
    m_mapFirst = map.geometry();
    m_controls.clear();
    m_controls.push_back({&mapGroup, m_mapGroupFirst, Rule::MapGroup});
    m_controls.push_back({&map, m_mapFirst, Rule::Map});
    for (QWidget* widget : underMap) {
        m_controls.push_back({widget, widget->geometry(), Rule::UnderMap});
    }
    for (QWidget* widget : growingDown) {
        m_controls.push_back({widget, widget->geometry(), Rule::GrowDown});
    }
    captureNewControls();
}

WindowLayout::Rule WindowLayout::ruleByPlace(const QRect& first) const {
    // Under the list on the left, or under the map's group on the right: they keep to the bottom.
    const bool rightColumn = first.left() >= m_mapGroupFirst.left();
    const bool below = rightColumn ? first.top() > m_mapGroupFirst.bottom() : first.top() >= m_lowerLeftTop;
    return below ? Rule::MoveDown : Rule::Stay;
}

void WindowLayout::captureNewControls() {
    if (!m_window || m_window->size() != m_firstSize) {
        return;
    }
    for (QWidget* child : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const bool known = std::any_of(m_controls.begin(), m_controls.end(),
                                       [child](const Control& control) { return control.widget == child; });
        if (!known && !child->isWindow()) {
            m_controls.push_back({child, child->geometry(), ruleByPlace(child->geometry())});
        }
    }
}

void WindowLayout::apply(QSize size) {
    if (!m_window) {
        return;
    }
    captureNewControls();
    const int dx = std::max(0, size.width() - m_firstSize.width());
    const int dy = std::max(0, size.height() - m_firstSize.height());

    // The picture fills the room the group gained, as large as its aspect ratio lets it be, and
    // stands centred across that room.
    const QSize room = m_mapFirst.size() + QSize(dx, dy);
    const double scale = std::min(static_cast<double>(room.width()) / m_mapFirst.width(),
                                  static_cast<double>(room.height()) / m_mapFirst.height());
    const QSize mapSize(static_cast<int>(std::lround(m_mapFirst.width() * scale)),
                        static_cast<int>(std::lround(m_mapFirst.height() * scale)));
    const QRect map(m_mapFirst.topLeft() + QPoint((room.width() - mapSize.width()) / 2, 0), mapSize);

    for (const Control& control : m_controls) {
        if (!control.widget) {
            continue;
        }
        QRect placed = control.first;
        switch (control.rule) {
        case Rule::Stay:
            break;
        case Rule::MoveDown:
            placed.translate(0, dy);
            break;
        case Rule::GrowDown:
            placed.setHeight(placed.height() + dy);
            break;
        case Rule::MapGroup:
            placed.setSize(placed.size() + QSize(dx, dy));
            break;
        case Rule::Map:
            placed = map;
            break;
        case Rule::UnderMap:
            placed.translate(0, map.height() - m_mapFirst.height());
            break;
        }
        control.widget->setGeometry(placed);
    }
}

} // namespace spawn
