#include "CoordinateBoxes.h"

#include "MapView.h"

#include <QLineEdit>

namespace spawn {

CoordinateBoxes::CoordinateBoxes(const std::array<QLineEdit*, kCoordinateBoxCount>& boxes, MapView* map,
                                 QObject* parent)
    : QObject(parent), m_boxes(boxes), m_map(map) {
    // textChanged rather than textEdited: any change of a box's text runs its handler, also one
    // made by other code through setText; only the controller's own writes do not. textEdited
    // only tells the user's changes apart, so that the box being typed in is left as typed.
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        connect(m_boxes[i], &QLineEdit::textEdited, this, [this, i] { m_typedBox = i; });
        connect(m_boxes[i], &QLineEdit::textChanged, this, [this, i] {
            const bool typed = m_typedBox == i;
            m_typedBox.reset();
            if (m_controller) { // null while the controller writes the first texts
                m_controller->boxChanged(i, typed);
            }
        });
        connect(m_boxes[i], &QLineEdit::editingFinished, this, [this] { m_controller->editingFinished(); });
    }
    CoordinateBoxView& view = *this;
    m_controller = std::make_unique<CoordinateBoxController>(view);
}

CoordinateBoxes::~CoordinateBoxes() = default;

std::u16string CoordinateBoxes::boxText(std::size_t box) const {
    return m_boxes[box]->text().toStdU16String();
}

std::size_t CoordinateBoxes::boxCaret(std::size_t box) const {
    return static_cast<std::size_t>(m_boxes[box]->cursorPosition());
}

void CoordinateBoxes::setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) {
    QLineEdit* edit = m_boxes[box];
    edit->setText(QString::fromStdU16String(text));
    edit->setCursorPosition(static_cast<int>(caret));
}

void CoordinateBoxes::placeMapMarker(MapPoint point) {
    m_map->placeMapMarker(point.column, point.rowFromTop);
}

} // namespace spawn
