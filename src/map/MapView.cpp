#include "MapView.h"

#include "CoordinateConversion.h"

#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>
#include <cmath>

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

// The shown area's movement range is bold, so that it stands out among the others' faint ones.
const QColor kShownRangeColour(255, 255, 255);
constexpr int kShownRangePenWidth = 2;
// A range smaller than this on screen is not drawn: it would hide under its dot.
constexpr double kSmallestRangeRadius = 1.0;

const QColor kRectangleColour(255, 255, 255);

std::int32_t bytesToPixels(qsizetype bytesPerLine) {
    return static_cast<std::int32_t>(bytesPerLine / static_cast<qsizetype>(sizeof(std::uint32_t)));
}

std::span<std::uint32_t> pixelsOf(QImage& image) {
    return {reinterpret_cast<std::uint32_t*>(image.bits()),
            static_cast<std::size_t>(image.sizeInBytes()) / sizeof(std::uint32_t)};
}

QPoint toQPoint(PicturePoint point) {
    return {point.x, point.y};
}

} // namespace

MapView::MapView(QWidget* parent) : QLabel(parent), m_view(1, 1) {
    setObjectName(kMapObjectName);
    m_picture = QImage(MapResources::kWorldMap).convertToFormat(QImage::Format_RGB32);
    m_view = MapViewTransform(m_picture.width(), m_picture.height());
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    resize(m_picture.size());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A click gives the map the keys, for "+", "-", Home and Escape during a drag.
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(false);

    // The icon is drawn at the size the style uses for large icons; the marker shows its centre.
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    m_markerIcon = QIcon(MapResources::kMarkerIcon).pixmap(iconSize, iconSize);

    // The dragged dot is drawn over the frame as the dots are drawn into it.
    constexpr int kSpriteSize = 2 * DotLook::kDotRadius + 1;
    m_dotSprite = QImage(kSpriteSize, kSpriteSize, QImage::Format_ARGB32);
    m_dotSprite.fill(Qt::transparent);
    const PictureDot centre{DotLook::kDotRadius, DotLook::kDotRadius, 1};
    drawDots(pixelsOf(m_dotSprite), kSpriteSize, kSpriteSize, bytesToPixels(m_dotSprite.bytesPerLine()),
             std::span(&centre, 1));
}

void MapView::placeMapMarker(std::int32_t column, std::int32_t rowFromTop) {
    // Each placement makes a new marker, so exactly one exists after the first.
    delete m_marker;
    m_markerPoint = MapPoint{column, rowFromTop};
    m_marker = new QLabel(this);
    m_marker->setObjectName(kMarkerObjectName);
    m_marker->setAlignment(Qt::AlignCenter);
    m_marker->setPixmap(m_markerIcon);
    // The map takes every press, also on a dot under the marker: a marker that took the press
    // and then went (a press on a dot places a new one) would leave the press with nowhere to
    // finish.
    m_marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    positionMarker();
    m_marker->show();
}

void MapView::positionMarker() {
    if (!m_marker || !m_markerPoint) {
        return;
    }
    const PicturePoint centre = m_view.screenPoint(*m_markerPoint);
    m_marker->setGeometry(centre.x - MapGrid::kMarkerHalfSize, centre.y - MapGrid::kMarkerHalfSize,
                          MapGrid::kMarkerSize, MapGrid::kMarkerSize);
}

void MapView::setSpawnDots(std::span<const MapDot> dots) {
    // A press or drag on a dot names its area by position, which the new dots may give another
    // area (or none): it ends here, and the release that follows moves nothing.
    if (m_gesture == Gesture::PressOnDot || m_gesture == Gesture::DragDot) {
        endGesture();
    }
    m_dots.build(m_picture.width(), m_picture.height(), dots);
    m_frameValid = false;
    // For the same reason the ring goes, until the position of the area to ring is given anew.
    m_highlightPosition.reset();
    m_highlightIndex.reset();
    m_highlight.reset();
    update();
}

void MapView::setHighlightedDot(std::optional<std::int32_t> position) {
    m_highlightPosition = position;
    m_highlightIndex = position ? m_dots.indexOfPosition(*position) : std::nullopt;
    const auto dot = m_highlightIndex ? std::optional(m_dots.dots()[*m_highlightIndex]) : std::nullopt;
    if (dot != m_highlight) {
        m_highlight = dot;
        update();
    }
}

void MapView::setDotsShown(bool shown) {
    if (shown != m_dotsShown) {
        m_dotsShown = shown;
        m_frameValid = false;
        update();
    }
}

void MapView::setRangesShown(bool shown) {
    if (shown != m_rangesShown) {
        m_rangesShown = shown;
        m_frameValid = false;
        update();
    }
}

void MapView::setDotDescriber(std::function<QString(std::int32_t)> describe) {
    m_describeDot = std::move(describe);
}

void MapView::zoomStepsAbout(int steps, QPointF about) {
    const double before = m_view.zoom();
    m_view.zoomStepsAbout(steps, about.x(), about.y());
    if (m_view.zoom() != before) {
        viewChanged();
    }
}

void MapView::panBy(QPoint distance) {
    const PicturePoint before = m_view.offset();
    m_view.panBy(distance.x(), distance.y());
    if (m_view.offset() != before) {
        viewChanged();
    }
}

void MapView::resetZoom() {
    m_view.reset();
    viewChanged();
}

void MapView::viewChanged() {
    m_frameValid = false;
    positionMarker();
    update();
}

void MapView::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    m_view.resize(std::max(1, width()), std::max(1, height()));
    viewChanged();
}

std::optional<std::int32_t> MapView::draggedPosition() const {
    return m_gesture == Gesture::DragDot ? std::optional(m_pressPosition) : std::nullopt;
}

void MapView::ensureFrame() {
    if (m_frameValid && m_frame.size() == size()) {
        return;
    }
    if (m_view.isWholeMap() && size() == m_picture.size()) {
        m_frame = m_picture.copy(); // the picture as it is, pixel for pixel
    } else {
        // Only the part of the picture in view is scaled, smoothly, whatever the zoom.
        m_frame = QImage(size(), QImage::Format_RGB32);
        QPainter painter(&m_frame);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const double toPictureX = static_cast<double>(m_picture.width()) / m_view.contentWidth();
        const double toPictureY = static_cast<double>(m_picture.height()) / m_view.contentHeight();
        const QRectF source(m_view.offset().x * toPictureX, m_view.offset().y * toPictureY,
                            width() * toPictureX, height() * toPictureY);
        painter.drawImage(QRectF(0, 0, width(), height()), m_picture, source);
    }
    if (m_dotsShown) {
        if (m_rangesShown && m_view.zoom() >= MapGesture::kAllRangesZoom) {
            drawRangesInView(pixelsOf(m_frame), bytesToPixels(m_frame.bytesPerLine()), m_dots, m_view);
        }
        drawDotsInView(pixelsOf(m_frame), bytesToPixels(m_frame.bytesPerLine()), m_dots, m_view,
                       draggedPosition());
    }
    m_frameValid = true;
}

void MapView::drawRange(QPainter& painter, PicturePoint centre, MapRange range) const {
    const double rx = range.columns * m_view.pixelsPerColumn();
    const double ry = range.rows * m_view.pixelsPerRow();
    if ((rx >= kSmallestRangeRadius || ry >= kSmallestRangeRadius) &&
        std::max(rx, ry) <= DotLook::kLargestRangeRadius) {
        painter.drawEllipse(QPointF(centre.x, centre.y), rx, ry);
    }
}

void MapView::paintEvent(QPaintEvent*) {
    ensureFrame();
    QPainter painter(this);
    painter.drawImage(0, 0, m_frame);
    if (!m_dotsShown) {
        return;
    }
    std::optional<std::size_t> draggedIndex;
    if (const auto dragged = draggedPosition()) {
        draggedIndex = m_dots.indexOfPosition(*dragged);
    }
    if (m_highlightIndex) {
        const QPoint centre = draggedIndex == m_highlightIndex
                                  ? draggedDotAt(*m_highlightIndex)
                                  : toQPoint(m_view.screenPoint(m_dots.mapPointOf(*m_highlightIndex)));
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kShownRangeColour, kShownRangePenWidth));
        drawRange(painter, {centre.x(), centre.y()}, m_dots.rangeOf(*m_highlightIndex));
        painter.setPen(QPen(kHighlightEdgeColour, kHighlightPenWidth + 2));
        painter.drawEllipse(centre, kHighlightRadius, kHighlightRadius);
        painter.setPen(QPen(kHighlightColour, kHighlightPenWidth));
        painter.drawEllipse(centre, kHighlightRadius, kHighlightRadius);
    }
    if (draggedIndex) {
        painter.drawImage(draggedDotAt(*draggedIndex) - QPoint(DotLook::kDotRadius, DotLook::kDotRadius),
                          m_dotSprite);
    }
    if (m_gesture == Gesture::Rectangle) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(kRectangleColour, 1, Qt::DashLine));
        painter.drawRect(QRect(m_pressAt, m_pointerAt).normalized());
    }
}

QPoint MapView::draggedDotAt(std::size_t index) const {
    const PicturePoint dot = m_view.screenPoint(m_dots.mapPointOf(index));
    const MapPosition now = m_view.mapPositionAt({m_pointerAt.x(), m_pointerAt.y()});
    return {dot.x + static_cast<int>(
                        std::lround((now.column - m_pressMapPosition.column) * m_view.pixelsPerColumn())),
            dot.y +
                static_cast<int>(std::lround((now.row - m_pressMapPosition.row) * m_view.pixelsPerRow()))};
}

bool MapView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const auto position = m_dotsShown && m_describeDot
                                  ? m_dots.dotAt({help->pos().x(), help->pos().y()}, m_view)
                                  : std::nullopt;
        if (position) {
            QToolTip::showText(help->globalPos(), m_describeDot(*position), this);
        } else {
            QToolTip::hideText();
            event->ignore();
        }
        return true;
    }
    return QLabel::event(event);
}

void MapView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (m_gesture != Gesture::None && event->button() == m_gestureButton) {
        // The gesture's own button again: its release went elsewhere. It ends without effect,
        // and this press starts afresh.
        endGesture();
    }
    if (m_gesture != Gesture::None || !rect().contains(at)) {
        QLabel::mousePressEvent(event);
        return;
    }
    event->accept();
    m_pressAt = at;
    m_pointerAt = at;
    m_gestureButton = event->button();
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        m_gesture = Gesture::Pan;
        setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (event->button() != Qt::LeftButton) {
        return;
    }
    if (event->modifiers() & Qt::ShiftModifier) {
        m_gesture = Gesture::Rectangle;
        return;
    }
    const PicturePoint pixel{at.x(), at.y()};
    if (m_dotsShown) {
        if (const auto position = m_dots.dotAt(pixel, m_view)) {
            m_gesture = Gesture::PressOnDot;
            m_pressPosition = *position;
            m_pressMapPosition = m_view.mapPositionAt(pixel);
            emit dotClicked(*position);
            return;
        }
    }
    const MapPoint point = m_view.mapPointAt(pixel);
    emit mapPositionClicked(point.column, MapGrid::kRows - point.rowFromTop);
}

void MapView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    switch (m_gesture) {
    case Gesture::None:
        QLabel::mouseMoveEvent(event);
        return;
    case Gesture::PressOnDot:
        if (!MapGesture::isDragDistance({m_pressAt.x(), m_pressAt.y()}, {at.x(), at.y()})) {
            break;
        }
        m_gesture = Gesture::DragDot;
        setFocus(Qt::MouseFocusReason); // Escape cancels
        m_frameValid = false;           // the frame without the dragged dot
        break;
    case Gesture::Pan:
        panBy(at - m_pointerAt);
        break;
    case Gesture::DragDot:
    case Gesture::Rectangle:
        break;
    }
    m_pointerAt = at;
    update();
    event->accept();
}

void MapView::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    const Gesture gesture = m_gesture;
    const bool ends = (gesture == Gesture::Pan && event->button() != Qt::LeftButton) ||
                      (gesture != Gesture::Pan && event->button() == Qt::LeftButton);
    if (gesture == Gesture::None || !ends) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    event->accept();
    const std::int32_t position = m_pressPosition;
    const QPoint start = m_pressAt;
    const MapPosition pressed = m_pressMapPosition;
    endGesture();
    // A drop outside the view is no place on the map, and one back within a few pixels of the
    // press no move: the area stays where it was.
    if (gesture == Gesture::DragDot && rect().contains(at) &&
        MapGesture::isDragDistance({start.x(), start.y()}, {at.x(), at.y()})) {
        const WorldMovement moved = worldMovementBetween(pressed, m_view.mapPositionAt({at.x(), at.y()}));
        emit dotDragged(position, moved.x, moved.z);
    } else if (gesture == Gesture::Rectangle) {
        emit areaSelected(m_dots.positionsInside({start.x(), start.y()}, {at.x(), at.y()}, m_view));
    }
}

void MapView::endGesture() {
    if (m_gesture == Gesture::DragDot) {
        m_frameValid = false; // the dot is drawn into the frame again
    }
    if (m_gesture == Gesture::Pan) {
        unsetCursor();
    }
    m_gesture = Gesture::None;
    m_gestureButton = Qt::NoButton;
    update();
}

void MapView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        resetZoom();
        return;
    }
    QLabel::mouseDoubleClickEvent(event);
}

void MapView::wheelEvent(QWheelEvent* event) {
    m_wheelRemainder += event->angleDelta().y();
    const int steps = m_wheelRemainder / MapGesture::kWheelNotch;
    m_wheelRemainder %= MapGesture::kWheelNotch;
    if (steps != 0) {
        zoomStepsAbout(steps, event->position());
    }
    event->accept();
}

void MapView::keyPressEvent(QKeyEvent* event) {
    const QPointF centre(width() / 2.0, height() / 2.0);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_gesture == Gesture::DragDot || m_gesture == Gesture::Rectangle) {
            endGesture();
            break;
        }
        QLabel::keyPressEvent(event); // the window's Escape
        return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoomStepsAbout(1, centre);
        break;
    case Qt::Key_Minus:
        zoomStepsAbout(-1, centre);
        break;
    case Qt::Key_Home:
        resetZoom();
        break;
    default:
        QLabel::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace spawn
