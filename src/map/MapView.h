#pragma once

// The world map picture (control 1024) with its marker (control 1820) and a dot for every spawn
// area of the list's view. It zooms and pans; the dots can be picked, dragged to move their area,
// or gathered by a rectangle.

#include "MapViewTransform.h"
#include "SpawnDots.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace spawn {

// Where the program's pictures live in its Qt resources (resources/resources.qrc). They are
// compiled into every executable that links spawn_map; nothing has to initialise them.
namespace MapResources {
inline constexpr auto kWorldMap = ":/map/world.bmp";      // bitmap 130, 437 x 504, 24 bits per pixel
inline constexpr auto kMarkerIcon = ":/icons/marker.png"; // icon 133, 128 x 128
inline constexpr auto kAppIcon = ":/icons/app.png";       // icon 128
} // namespace MapResources

namespace MapGesture {
// Every dot's range is drawn ("Ranges" on) from this zoom on: below it they are a blur.
inline constexpr double kAllRangesZoom = 4.0;
// One notch of a mouse wheel, in the units of QWheelEvent::angleDelta.
inline constexpr int kWheelNotch = 120;
} // namespace MapGesture

class MapView : public QLabel {
    Q_OBJECT

public:
    // Shows the world map at the bitmap's own size, zoom 1. Object name "1024". Given another
    // size, the whole map is scaled to it at zoom 1.
    explicit MapView(QWidget* parent = nullptr);

    // Replaces the marker by a new one centred on the map pixel (column, rowFromTop), the row
    // counted from the top edge: an 8 x 8 child, object name "1820", showing the centre of the
    // marker icon drawn at the style's large icon size. Outside the view it is clipped away; it
    // follows the zoom and the pan.
    void placeMapMarker(std::int32_t column, std::int32_t rowFromTop);

    // The current marker; nullptr until the first placement.
    QLabel* marker() const { return m_marker; }

    // Shows these dots (those off the map are dropped), drawn over the picture and under the
    // marker. Only the dots in view are drawn, into a frame kept until the view or the dots
    // change; painting then only copies it. The dots name their areas by position, which may now
    // be other areas: the ring and any press or drag on a dot are forgotten.
    void setSpawnDots(std::span<const MapDot> dots);
    // Rings the dot of the record at this 1-based position, when it is one of the dots shown, and
    // draws its movement range.
    void setHighlightedDot(std::optional<std::int32_t> position);
    // Hidden dots are neither drawn nor hit by clicks; the bare map is shown.
    void setDotsShown(bool shown);
    bool dotsShown() const { return m_dotsShown; }
    // Every dot's movement range in view, drawn once the zoom is MapGesture::kAllRangesZoom or more.
    void setRangesShown(bool shown);
    bool rangesShown() const { return m_rangesShown; }
    const DotGrid& dots() const { return m_dots; }
    std::optional<PictureDot> highlightedDot() const { return m_highlight; }

    // The text of the tooltip over the dot of the record at a 1-based position.
    void setDotDescriber(std::function<QString(std::int32_t position)> describe);

    // The picture's own size: in a layout the map takes it, as a picture label would.
    QSize sizeHint() const override { return m_picture.size(); }
    QSize minimumSizeHint() const override { return m_picture.size(); }

    // The zoom and the pan, as the wheel, the keys and the drags change them.
    const MapViewTransform& view() const { return m_view; }
    void zoomStepsAbout(int steps, QPointF about);
    void panBy(QPoint distance);
    void resetZoom();

signals:
    // A left click hit the dot of the record at this 1-based position.
    void dotClicked(std::int32_t position);
    // A left click on the map away from every dot: the map position under it, the row counted
    // from the bottom edge as in the map Y box.
    void mapPositionClicked(std::int32_t mapX, std::int32_t mapY);
    // The dot of the record at this 1-based position was dragged (MapGesture::kDragDistance or
    // more) and dropped in view; its area is to move by the world distance between the map
    // positions under the press and under the drop (0 along an axis the pointer did not move).
    void dotDragged(std::int32_t position, double worldX, double worldZ);
    // A Shift + left drag drew a rectangle; these are the 1-based positions of the dots inside it,
    // in list order.
    void areaSelected(const std::vector<std::int32_t>& positions);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    enum class Gesture { None, PressOnDot, DragDot, Rectangle, Pan };

    // The view moved or zoomed: the frame is drawn anew and the marker placed again.
    void viewChanged();
    void ensureFrame();
    void drawRange(QPainter& painter, PicturePoint centre, MapRange range) const;
    void positionMarker();
    void endGesture();
    std::optional<std::int32_t> draggedPosition() const;
    // Where the dragged dot is drawn: its own screen pixel moved by the pointer's movement.
    QPoint draggedDotAt(std::size_t index) const;

    QPixmap m_markerIcon;
    QLabel* m_marker = nullptr; // a child of this view
    std::optional<MapPoint> m_markerPoint;
    QImage m_picture; // the bare map
    QImage m_dotSprite;
    MapViewTransform m_view;
    QImage m_frame; // what is in view: the picture scaled, the dots and their ranges
    bool m_frameValid = false;
    DotGrid m_dots;
    std::optional<std::int32_t> m_highlightPosition;
    std::optional<PictureDot> m_highlight;
    std::optional<std::size_t> m_highlightIndex;
    bool m_dotsShown = true;
    bool m_rangesShown = false;
    std::function<QString(std::int32_t)> m_describeDot;

    Gesture m_gesture = Gesture::None;
    Qt::MouseButton m_gestureButton = Qt::NoButton;
    QPoint m_pressAt;                 // where the gesture's button went down
    MapPosition m_pressMapPosition;   // the map position under it
    QPoint m_pointerAt;               // where the pointer is now
    std::int32_t m_pressPosition = 0; // the dot pressed on
    int m_wheelRemainder = 0;         // of a wheel that turns in less than whole notches
};

} // namespace spawn
