#pragma once

// The world map picture (control 1024) with its marker (control 1820).

#include <QLabel>
#include <QPixmap>

#include <cstdint>

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

private:
    QPixmap m_markerIcon;
    QLabel* m_marker = nullptr; // a child of this view
};

} // namespace spawn
