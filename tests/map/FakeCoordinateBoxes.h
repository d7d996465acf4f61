#pragma once

// Six line edits in memory, behaving as a window's line edits do for the keys the tests press,
// wired to a CoordinateBoxController as both windows wire theirs: what the user does is a typed
// change, what other code does is not.

#include "CoordinateBoxController.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace spawn::testing {

class FakeCoordinateBoxes : public CoordinateBoxView {
public:
    struct Box {
        std::u16string text;
        std::size_t anchor = 0; // the selection runs from anchor to caret
        std::size_t caret = 0;
        int writes = 0; // by the controller
    };

    std::array<Box, kCoordinateBoxCount> boxes;
    std::vector<MapPoint> markers; // every placement, in order
    CoordinateBoxController controller{*this}; // after the boxes, which it writes at once

    void selectAll(std::size_t i) {
        boxes[i].anchor = 0;
        boxes[i].caret = boxes[i].text.size();
    }
    void moveCaret(std::size_t i, std::size_t caret) { boxes[i].anchor = boxes[i].caret = caret; }
    void home(std::size_t i) { moveCaret(i, 0); }
    void end(std::size_t i) { moveCaret(i, boxes[i].text.size()); }
    void left(std::size_t i) { moveCaret(i, boxes[i].caret > 0 ? boxes[i].caret - 1 : 0); }

    // A key typed, or text pasted: replaces the selection and leaves the caret after it.
    void type(std::size_t i, std::u16string_view keys) {
        Box& box = boxes[i];
        const auto [from, to] = std::minmax(box.anchor, box.caret);
        std::u16string text = box.text;
        text.replace(from, to - from, keys);
        userChanges(i, text, from + keys.size());
    }
    void type(std::size_t i, char key) { type(i, std::u16string(1, static_cast<char16_t>(key))); }
    void backspace(std::size_t i) { erase(i, true); }
    void deleteKey(std::size_t i) { erase(i, false); }
    void enter() { controller.editingFinished(); }

    // Other code sets the text (setText, WM_SETTEXT): not a typed change.
    void setTextByCode(std::size_t i, std::u16string_view text) {
        if (boxes[i].text != text) {
            boxes[i].text = text;
            moveCaret(i, text.size());
            controller.boxChanged(i, false);
        }
    }

    // The six texts, one blank between them.
    std::string texts() const {
        std::string out;
        for (const Box& box : boxes) {
            if (!out.empty()) {
                out += ' ';
            }
            out.append(box.text.begin(), box.text.end());
        }
        return out;
    }

    // Types `keys` one at a time into box `i` after selecting its whole text, as a user replacing
    // it would: the six texts after every key.
    std::vector<std::string> typeReplacing(std::size_t i, std::string_view keys) {
        selectAll(i);
        std::vector<std::string> seen;
        for (const char key : keys) {
            type(i, key);
            seen.push_back(texts());
        }
        return seen;
    }

    std::u16string boxText(std::size_t box) const override { return boxes[box].text; }
    std::size_t boxCaret(std::size_t box) const override { return boxes[box].caret; }
    void setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) override {
        boxes[box].text = text;
        moveCaret(box, std::min(caret, text.size()));
        ++boxes[box].writes;
        controller.boxChanged(box, false); // as the window's change signal would
    }
    void placeMapMarker(MapPoint point) override { markers.push_back(point); }

private:
    // An edit notifies even when the text comes out the same ("0" typed over a selected "0").
    void userChanges(std::size_t i, const std::u16string& text, std::size_t caret) {
        boxes[i].text = text;
        moveCaret(i, caret);
        controller.boxChanged(i, true);
    }
    void erase(std::size_t i, bool before) {
        const Box& box = boxes[i];
        std::size_t from = std::min(box.anchor, box.caret);
        std::size_t to = std::max(box.anchor, box.caret);
        if (from == to) {
            if (before && from > 0) {
                --from;
            } else if (!before && to < box.text.size()) {
                ++to;
            }
        }
        if (from == to) {
            return; // nothing to delete: no edit
        }
        std::u16string text = box.text;
        text.erase(from, to - from);
        userChanges(i, text, from);
    }
};

} // namespace spawn::testing
