#include "CoordinateBoxes.h"

#include "MapView.h"
#include "NumberText.h"

#include <QLineEdit>
#include <QScopedValueRollback>

#include <algorithm>

namespace spawn {

namespace {

// Where the caret goes when a box's text `old` is replaced by `text` (when its editing finishes
// with Enter, or other code changed it): next to the same characters.
// A caret inside the unchanged end of the text keeps its distance from the end (typing at the end
// stays at the end, a removed leading zero does not shift it); any other keeps its position, at
// most the end (a removed trailing zero or point does not shift it).
qsizetype caretAfterRewrite(const QString& old, qsizetype caret, const QString& text) {
    const qsizetype shorter = std::min(old.size(), text.size());
    qsizetype prefix = 0;
    while (prefix < shorter && old[prefix] == text[prefix]) {
        ++prefix;
    }
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
        ++suffix;
    }
    if (caret >= old.size() - suffix) {
        return text.size() - (old.size() - caret);
    }
    return std::min(caret, text.size());
}

} // namespace

CoordinateBoxes::CoordinateBoxes(const std::array<QLineEdit*, kCoordinateBoxCount>& boxes, MapView* map,
                                 QObject* parent)
    : QObject(parent), m_boxes(boxes), m_map(map) {
    // textChanged rather than textEdited: any change of a box's text runs its handler, also one
    // made by other code through setText; only the writes of writeCoordinateBoxes do not.
    // textEdited only tells the user's changes apart, so that the box being typed in is left as
    // typed: rewriting it at every keystroke would turn a lone "-" into "0" and drop the point of
    // "12." before the next digit arrives.
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        connect(m_boxes[i], &QLineEdit::textEdited, this, [this, i] { m_typedBox = i; });
        connect(m_boxes[i], &QLineEdit::textChanged, this, [this, i] { boxChanged(i); });
        connect(m_boxes[i], &QLineEdit::editingFinished, this, &CoordinateBoxes::editingFinished);
    }
    writeCoordinateBoxes();
}

void CoordinateBoxes::setWorldPosition(double x, double y, double z) {
    m_state = worldPositionState(x, y, z);
    placeMarker();
    writeCoordinateBoxes();
}

void CoordinateBoxes::enterMapPosition(std::int32_t mapX, std::int32_t mapY) {
    m_state = changeBox(m_state, CoordinateBox::MapX, formatInt(mapX));
    m_state = changeBox(m_state, CoordinateBox::MapY, formatInt(mapY));
    writeCoordinateBoxes();
    placeMarker();
}

void CoordinateBoxes::boxChanged(std::size_t index) {
    const bool typed = m_typedBox == index;
    m_typedBox.reset();
    if (m_writingBoxes) {
        return;
    }
    m_state = changeBox(m_state, kCoordinateBoxes[index], m_boxes[index]->text().toStdString());
    writeCoordinateBoxes(typed ? std::optional(index) : std::nullopt);
    placeMarker();
}

void CoordinateBoxes::editingFinished() {
    // The box just left shows the written value now, as the others already do; the members are
    // unchanged, so this runs no handler and places no marker.
    writeCoordinateBoxes();
}

void CoordinateBoxes::writeCoordinateBoxes(std::optional<std::size_t> keep) {
    const QScopedValueRollback writing(m_writingBoxes, true);
    const auto texts = boxTexts(m_state);
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (i == keep) {
            continue;
        }
        QLineEdit* box = m_boxes[i];
        const QString text = QString::fromStdString(texts[i]);
        const QString old = box->text();
        // Rewriting an equal text would move the caret and drop the selection and undo history.
        if (old == text) {
            continue;
        }
        const qsizetype caret = caretAfterRewrite(old, box->cursorPosition(), text);
        box->setText(text);
        box->setCursorPosition(static_cast<int>(caret));
    }
}

void CoordinateBoxes::placeMarker() {
    const MapPoint point = markerPoint(m_state);
    m_map->placeMapMarker(point.column, point.rowFromTop);
}

} // namespace spawn
