#include "MapView.h"

#include "CoordinateConversion.h"

#include <QIcon>
#include <QStyle>

namespace spawn {

namespace {

constexpr auto kMapObjectName = "1024";
constexpr auto kMarkerObjectName = "1820";

} // namespace

MapView::MapView(QWidget* parent) : QLabel(parent) {
    setObjectName(kMapObjectName);
    const QPixmap map(MapResources::kWorldMap);
    setPixmap(map);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setFixedSize(map.size());

    // The icon is drawn at the size the style uses for large icons; the marker shows its centre.
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    m_markerIcon = QIcon(MapResources::kMarkerIcon).pixmap(iconSize, iconSize);
}

void MapView::placeMapMarker(std::int32_t column, std::int32_t rowFromTop) {
    // Each placement makes a new marker, so exactly one exists after the first.
    delete m_marker;
    const MarkerRect rect = markerRect(width(), height(), {column, rowFromTop});
    m_marker = new QLabel(this);
    m_marker->setObjectName(kMarkerObjectName);
    m_marker->setAlignment(Qt::AlignCenter);
    m_marker->setPixmap(m_markerIcon);
    m_marker->setGeometry(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
    m_marker->show();
}

} // namespace spawn
