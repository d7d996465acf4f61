#pragma once

// The six coordinate boxes of the main window (1012, 1013, 1014, 1017, 1018, 1019) wired to the
// standard-library controller that the Linux window drives too.

#include "CoordinateBoxController.h"
#include "MapMarker.h"

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

namespace spawn::win32 {

class CoordinateEdits : private CoordinateBoxView {
public:
    // Writes the all-zero members into the boxes. `dialog` holds the boxes; `marker` must outlive
    // this object.
    CoordinateEdits(HWND dialog, MapMarker& marker);
    ~CoordinateEdits() override;
    CoordinateEdits(const CoordinateEdits&) = delete;
    CoordinateEdits& operator=(const CoordinateEdits&) = delete;

    // A command of the main window: true when it was a change (EN_CHANGE) or the focus leaving
    // (EN_KILLFOCUS) of one of the six boxes, which are then handled. Enter in a box finishes its
    // editing as the focus leaving it does.
    bool onCommand(int id, int code);

    CoordinateBoxController& controller() { return *m_controller; }

private:
    std::u16string boxText(std::size_t box) const override;
    std::size_t boxCaret(std::size_t box) const override;
    void setBoxText(std::size_t box, const std::u16string& text, std::size_t caret) override;
    void placeMapMarker(MapPoint point) override;

    std::optional<std::size_t> indexOf(HWND box) const;
    static LRESULT CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                    DWORD_PTR self);

    std::array<HWND, kCoordinateBoxCount> m_boxes{};
    MapMarker& m_marker;
    // The box the user is changing right now (typing, deleting, pasting, undoing), while the edit
    // control handles that input; its change notification arrives meanwhile.
    std::optional<std::size_t> m_userEditing;
    std::unique_ptr<CoordinateBoxController> m_controller;
};

} // namespace spawn::win32
