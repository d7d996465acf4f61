#pragma once

// How the main window's controls follow its size. At the first size every control stands where it
// was placed. A larger window gives its extra height to the record list, which grows downward
// while the form and everything under the list move down with the window's bottom; the map's
// group takes the extra room on the right and below, the map picture grows inside it keeping its
// aspect ratio, the check boxes under the picture follow its bottom, and the boxes and buttons
// under the group move down. No control other than these changes its size.

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <initializer_list>
#include <vector>

namespace spawn {

class WindowLayout {
public:
    // Remembers where every control of `window` stands now, at its first size. `lowerLeftTop` is
    // where the controls under the record list begin (the form's group's top); `mapGroup` holds
    // `map`, `underMap` are the controls that follow the picture's bottom, `growingDown` those
    // that grow downward with the record list.
    void capture(QWidget& window, int lowerLeftTop, QWidget& mapGroup, QWidget& map,
                 std::initializer_list<QWidget*> underMap, std::initializer_list<QWidget*> growingDown);

    // Places every control for this window size; a size below the first counts as the first.
    void apply(QSize size);

    QSize firstSize() const { return m_firstSize; }

private:
    enum class Rule { Stay, MoveDown, GrowDown, MapGroup, Map, UnderMap };
    struct Control {
        QPointer<QWidget> widget;
        QRect first;
        Rule rule = Rule::Stay;
    };
    Rule ruleByPlace(const QRect& first) const;
    // Takes in the controls made since the last look, while the window is at its first size.
    void captureNewControls();

    QPointer<QWidget> m_window;
    QSize m_firstSize;
    int m_lowerLeftTop = 0;
    QRect m_mapGroupFirst;
    QRect m_mapFirst;
    std::vector<Control> m_controls;
};

} // namespace spawn
