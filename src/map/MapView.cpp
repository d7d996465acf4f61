#include "MapView.h"

#include "CoordinateConversion.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>

namespace spawn {

namespace {

constexpr auto kMapObjectName = "1024";
constexpr auto kMarkerObjectName = "1820";

// The ring around the dot of the record shown in the form: wider than the marker, which sits on
// the same spot until the position is edited, so that both stay visible.
constexpr int kHighlightRadius = 7;
constexpr int kHighlightPenWidth = 2;
const QColor kHighlightColour(255, 255, 255);
const QColor kHighlightEdgeColour(26, 26, 26);

} // namespace

MapView::MapView(QWidget* parent) : QLabel(parent) {
    setObjectName(kMapObjectName);
    const QPixmap map(MapResources::kWorldMap);
    setPixmap(map);
    m_picture = map.toImage().convertToFormat(QImage::Format_RGB32);
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

void MapView::setSpawnDots(std::span<const MapDot> dots) {
    m_dots.build(m_picture.width(), m_picture.height(), dots);
    QImage layer = m_picture.copy();
    const auto stride =
        static_cast<std::int32_t>(layer.bytesPerLine() / static_cast<qsizetype>(sizeof(std::uint32_t)));
    const std::span pixels(reinterpret_cast<std::uint32_t*>(layer.bits()),
                           static_cast<std::size_t>(layer.sizeInBytes()) / sizeof(std::uint32_t));
    drawDots(pixels, layer.width(), layer.height(), stride, m_dots.dots());
    m_dotLayer = QPixmap::fromImage(std::move(layer));
    setHighlightedDot(m_highlightPosition);
    update();
}

void MapView::setHighlightedDot(std::optional<std::int32_t> position) {
    m_highlightPosition = position;
    const auto dot = position ? m_dots.dotOfPosition(*position) : std::nullopt;
    if (dot != m_highlight) {
        m_highlight = dot;
        update();
    }
}

void MapView::setDotsShown(bool shown) {
    if (shown != m_dotsShown) {
        m_dotsShown = shown;
        update();
    }
}

void MapView::paintEvent(QPaintEvent* event) {
    if (!m_dotsShown || m_dotLayer.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_dotLayer);
    if (m_highlight) {
        const QPoint centre(m_highlight->x, m_highlight->y);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kHighlightEdgeColour, kHighlightPenWidth + 2));
        painter.drawEllipse(centre, kHighlightRadius, kHighlightRadius);
        painter.setPen(QPen(kHighlightColour, kHighlightPenWidth));
        painter.drawEllipse(centre, kHighlightRadius, kHighlightRadius);
    }
}

void MapView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !rect().contains(at)) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    const PicturePoint pixel{at.x(), at.y()};
    if (m_dotsShown) {
        if (const auto position = m_dots.dotAt(pixel)) {
            emit dotClicked(*position);
            return;
        }
    }
    const MapPoint point = mapPointAtPixel(width(), height(), pixel);
    emit mapPositionClicked(point.column, MapGrid::kRows - point.rowFromTop);
}

} // namespace spawn
