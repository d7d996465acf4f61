#pragma once

// What the six coordinate boxes do as the user types, whichever window shows them: the Qt window
// and the Win32 window both drive this one controller, so the same keys give the same texts.
// Standard library only.

#include "CoordinateConversion.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace spawn {

// The window's side: its six boxes, in the order of kCoordinateBoxes, and its map. Texts are
// UTF-16, as both windows hold them, and a caret counts UTF-16 units from the start.
class CoordinateBoxView {
public:
    virtual ~CoordinateBoxView() = default;

    virtual std::u16string boxText(std::size_t box) const = 0;
    virtual std::size_t boxCaret(std::size_t box) const = 0;
    // Replaces the box's text and puts the caret at `caret` (at most the text's length). The
    // change this makes may come back through boxChanged; the controller ignores it.
    virtual void setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) = 0;
    virtual void placeMapMarker(MapPoint point) = 0;
};

class CoordinateBoxController {
public:
    // Writes the all-zero members into the boxes and places no marker. `view` must outlive this.
    explicit CoordinateBoxController(CoordinateBoxView& view);

    // Sets all six members from a world position, places the marker, then rewrites the boxes.
    void setWorldPosition(double x, double y, double z);

    // A map position entered as if typed: the handlers of the map X and map Y boxes run with
    // these values as their texts, then the boxes are rewritten and the marker placed once.
    void enterMapPosition(std::int32_t mapX, std::int32_t mapY);

    // The text of `box` changed. Its handler reads the text, sets its member and derives its
    // pair's, then the boxes are rewritten and the marker placed. When `typed` (the user typed,
    // deleted, pasted or undid), the box keeps the text as typed until its editing finishes: a
    // lone "-" or the point of "12." must survive until the next key. Changes the controller makes
    // itself are ignored.
    void boxChanged(std::size_t box, bool typed);

    // The user finished editing a box (Enter, or the focus left it): the box shows the written
    // value now, as the others already do. Changes no member and places no marker.
    void editingFinished();

    const CoordinateState& state() const { return m_state; }

private:
    // Writes the members into the boxes; the box `keep`, when given, keeps its text. A box that
    // already shows its text is not written, which would move its caret and drop its selection.
    void writeBoxes(std::optional<std::size_t> keep = std::nullopt);
    void placeMarker();

    CoordinateBoxView& m_view;
    CoordinateState m_state;
    bool m_writing = false;
};

// Where the caret goes when a box's text `old` is replaced by `text`: next to the same characters.
// A caret inside the unchanged end of the text keeps its distance from the end (typing at the end
// stays at the end, a removed leading zero does not shift it); any other keeps its position, at
// most the end (a removed trailing zero or point does not shift it).
std::size_t caretAfterRewrite(std::u16string_view old, std::size_t caret, std::u16string_view text);

} // namespace spawn
