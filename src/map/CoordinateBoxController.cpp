#include "CoordinateBoxController.h"

#include "NumberText.h"

#include <algorithm>

namespace spawn {

namespace {

// The handlers parse a box's text as atof and atoi do, which read ASCII alone: any other
// character ends the number, so every UTF-16 unit beyond ASCII may stand as one byte that no
// number holds.
std::string parsableText(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char16_t unit : text) {
        constexpr char16_t kAsciiEnd = 0x80;
        out.push_back(unit < kAsciiEnd ? static_cast<char>(unit) : '\x7f');
    }
    return out;
}

std::u16string utf16OfAscii(const std::string& text) {
    return {text.begin(), text.end()};
}

} // namespace

std::size_t caretAfterRewrite(std::u16string_view old, std::size_t caret, std::u16string_view text) {
    const std::size_t shorter = std::min(old.size(), text.size());
    std::size_t prefix = 0;
    while (prefix < shorter && old[prefix] == text[prefix]) {
        ++prefix;
    }
    std::size_t suffix = 0;
    while (suffix < shorter - prefix && old[old.size() - 1 - suffix] == text[text.size() - 1 - suffix]) {
        ++suffix;
    }
    if (caret >= old.size() - suffix && caret <= old.size()) {
        return text.size() - (old.size() - caret);
    }
    return std::min(caret, text.size());
}

CoordinateBoxController::CoordinateBoxController(CoordinateBoxView& view) : m_view(view) {
    writeBoxes();
}

void CoordinateBoxController::setWorldPosition(double x, double y, double z) {
    m_state = worldPositionState(x, y, z);
    placeMarker();
    writeBoxes();
}

void CoordinateBoxController::enterMapPosition(std::int32_t mapX, std::int32_t mapY) {
    m_state = changeBox(m_state, CoordinateBox::MapX, formatInt(mapX));
    m_state = changeBox(m_state, CoordinateBox::MapY, formatInt(mapY));
    writeBoxes();
    placeMarker();
}

void CoordinateBoxController::boxChanged(std::size_t box, bool typed) {
    if (m_writing || box >= kCoordinateBoxCount) {
        return;
    }
    m_state = changeBox(m_state, kCoordinateBoxes[box], parsableText(m_view.boxText(box)));
    writeBoxes(typed ? std::optional(box) : std::nullopt);
    placeMarker();
}

void CoordinateBoxController::editingFinished() {
    writeBoxes();
}

void CoordinateBoxController::writeBoxes(std::optional<std::size_t> keep) {
    m_writing = true;
    const auto texts = boxTexts(m_state);
    for (std::size_t i = 0; i < kCoordinateBoxCount; ++i) {
        if (i == keep) {
            continue;
        }
        const std::u16string text = utf16OfAscii(texts[i]);
        const std::u16string old = m_view.boxText(i);
        if (old != text) {
            m_view.setBoxText(i, text, caretAfterRewrite(old, m_view.boxCaret(i), text));
        }
    }
    m_writing = false;
}

void CoordinateBoxController::placeMarker() {
    m_view.placeMapMarker(markerPoint(m_state));
}

} // namespace spawn
