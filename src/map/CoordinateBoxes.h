#pragma once

// The six coordinate boxes of the main window and what ties them to the map: the Qt side of
// CoordinateBoxController.

#include "CoordinateBoxController.h"
#include "CoordinateConversion.h"

#include <QObject>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

class QLineEdit;

namespace spawn {

class MapView;

class CoordinateBoxes : public QObject, private CoordinateBoxView {
    Q_OBJECT

public:
    // `boxes` in the order 1012, 1013, 1014, 1017, 1018, 1019; none of them and not `map` may be
    // null, and all must outlive this object. Writes the all-zero members into the boxes once and
    // places no marker. From then on any change of a box's text runs that box's handler, except
    // the changes this object makes itself. A box the user is typing in keeps the typed text until
    // its editing finishes (Enter or the focus leaving it); the other boxes follow every keystroke.
    CoordinateBoxes(const std::array<QLineEdit*, kCoordinateBoxCount>& boxes, MapView* map,
                    QObject* parent = nullptr);
    ~CoordinateBoxes() override;

    // Sets all six members from a world position, places the marker, then rewrites the boxes.
    void setWorldPosition(double x, double y, double z) { m_controller->setWorldPosition(x, y, z); }

    // A map position entered as if typed: the handlers of the map X and map Y boxes run with
    // these values as their texts, then the boxes are rewritten and the marker placed once.
    void enterMapPosition(std::int32_t mapX, std::int32_t mapY) { m_controller->enterMapPosition(mapX, mapY); }

    const CoordinateState& state() const { return m_controller->state(); }

private:
    std::u16string boxText(std::size_t box) const override;
    std::size_t boxCaret(std::size_t box) const override;
    void setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) override;
    void placeMapMarker(MapPoint point) override;

    std::array<QLineEdit*, kCoordinateBoxCount> m_boxes;
    MapView* m_map;
    std::unique_ptr<CoordinateBoxController> m_controller;
    // The box whose text the user has just changed by typing, deleting, pasting or undoing; set
    // by textEdited, which the box emits right before textChanged, and taken by the handler.
    std::optional<std::size_t> m_typedBox;
};

} // namespace spawn
