// The main window's map commands (zoom and pan live in the map itself): the "Ranges" box, moving
// an area by dragging its dot, the areas inside a rectangle as the list's view, the dots'
// tooltips, and how the controls follow the window's size and where it is remembered.

#include "SpawnEditorWindow.h"

#include "ByteReader.h"
#include "CoordinateConversion.h"
#include "DialogUnits.h"
#include "MapView.h"
#include "NumberText.h"
#include "RecordEditor.h"
#include "SpawnLayout.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QSettings>
#include <QTableView>

#include <bit>

namespace spawn {

void SpawnEditorWindow::buildMapControls() {
    m_showRanges = new QCheckBox(QStringLiteral("&Ranges"), this);
    m_showRanges->setObjectName(QString::fromLatin1(ControlName::kShowRanges));
    m_showRanges->setGeometry(unitsToPixels(360, 340, 60, 12)); // beside "All NPC"
    connect(m_showRanges, &QCheckBox::toggled, m_mapView, &MapView::setRangesShown);

    connect(m_mapView, &MapView::dotDragged, this,
            [this](std::int32_t position, double dx, double dz) { m_editor->moveRecord(position, dx, dz); });
    connect(m_mapView, &MapView::areaSelected, this,
            [this](const std::vector<std::int32_t>& positions) { m_editor->showAreaHits(positions); });
    m_mapView->setDotDescriber([this](std::int32_t position) { return describeDot(position); });

    m_layout.capture(*this, m_formGroup->geometry().top(), *m_mapGroup, *m_mapView,
                     {m_showSpawnDots, m_showRanges}, {m_listGroup, m_recordList});
}

void SpawnEditorWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    m_layout.apply(size());
}

QString SpawnEditorWindow::describeDot(std::int32_t position) const {
    const SpawnRecordList& records = m_document.records();
    if (position < 1 || position > records.count()) {
        return {};
    }
    const SpawnRecord& record = records.at(position);
    const std::span<const std::uint8_t> bytes(record.bytes);
    const auto worldText = [bytes](std::size_t offset) {
        const float value = std::bit_cast<float>(readU32Le(bytes.subspan(offset).first<4>()));
        return QString::fromStdString(formatGeneral6(static_cast<double>(value)));
    };
    const QString creature = record.entryCount > 0 ? QStringLiteral("Creature %1 %2")
                                                         .arg(record.creatureId)
                                                         .arg(QString::fromStdString(record.displayName))
                                                   : QStringLiteral("No creature");
    return QStringLiteral("Area %1\n%2\nEntries %3\nX %4  Y %5  Z %6")
        .arg(position)
        .arg(creature)
        .arg(record.entryCount)
        .arg(worldText(SpawnLayout::kPositionXOffset), worldText(SpawnLayout::kPositionYOffset),
             worldText(SpawnLayout::kPositionZOffset));
}

void SpawnEditorWindow::savePlacement() const {
    QSettings().setValue(QString::fromLatin1(WindowSettings::kGeometryKey), saveGeometry());
}

void SpawnEditorWindow::restorePlacement() {
    const QByteArray geometry =
        QSettings().value(QString::fromLatin1(WindowSettings::kGeometryKey)).toByteArray();
    if (!geometry.isEmpty()) {
        restoreGeometry(geometry);
    }
}

} // namespace spawn
