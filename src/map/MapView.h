#pragma once

// The world map picture (control 1024) with its marker (control 1820) and a dot for every spawn
// area of the list's view.

#include "SpawnDots.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>

#include <cstdint>
#include <optional>
#include <span>

namespace spawn {

// Where the program's pictures live in its Qt resources (resources/resources.qrc). They are
// compiled into every executable that links spawn_map; nothing has to initialise them.
namespace MapResources {
inline constexpr auto kWorldMap = ":/map/world.bmp";      // bitmap 130, 437 x 504, 24 bits per pixel
inline constexpr auto kMarkerIcon = ":/icons/marker.png"; // icon 133, 128 x 128
inline constexpr auto kAppIcon = ":/icons/app.png";       // icon 128
} // namespace MapResources

class MapView : public QLabel {
    Q_OBJECT

public:
    // Shows the world map at the bitmap's own size and takes exactly that size. Object name "1024".
    explicit MapView(QWidget* parent = nullptr);

    // Replaces the marker by a new one centred on the map pixel (column, rowFromTop), the row
    // counted from the top edge: an 8 x 8 child, object name "1820", showing the centre of the
    // marker icon drawn at the style's large icon size. Outside the picture it is clipped away.
    void placeMapMarker(std::int32_t column, std::int32_t rowFromTop);

    // The current marker; nullptr until the first placement.
    QLabel* marker() const { return m_marker; }

    // Shows these dots (those off the map are dropped), drawn over the picture and under the
    // marker. They are drawn once here into a copy of the picture; painting then only copies it.
    void setSpawnDots(std::span<const MapDot> dots);
    // Rings the dot of the record at this 1-based position, when it is one of the dots shown.
    void setHighlightedDot(std::optional<std::int32_t> position);
    // Hidden dots are neither drawn nor hit by clicks; the bare map is shown.
    void setDotsShown(bool shown);
    bool dotsShown() const { return m_dotsShown; }
    const DotGrid& dots() const { return m_dots; }
    std::optional<PictureDot> highlightedDot() const { return m_highlight; }

signals:
    // A left click hit the dot of the record at this 1-based position.
    void dotClicked(std::int32_t position);
    // A left click on the map away from every dot: the map position under it, the row counted
    // from the bottom edge as in the map Y box.
    void mapPositionClicked(std::int32_t mapX, std::int32_t mapY);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPixmap m_markerIcon;
    QLabel* m_marker = nullptr; // a child of this view
    QImage m_picture;           // the bare map
    QPixmap m_dotLayer;         // the map with every dot drawn into it
    DotGrid m_dots;
    std::optional<std::int32_t> m_highlightPosition;
    std::optional<PictureDot> m_highlight;
    bool m_dotsShown = true;
};

} // namespace spawn
