#include "SpawnEditorWindow.h"

#include "CoordinateBoxes.h"
#include "DialogUnits.h"
#include "FileCommands.h"
#include "MapView.h"
#include "QtDialogService.h"
#include "RecordListModel.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>

namespace spawn {

namespace {

// The window's size in dialog units.
constexpr int kWindowWidthUnits = 601;
constexpr int kWindowHeightUnits = 447;
constexpr int kRecordRowHeight = 16;
// The dialog units above are those of an 8-point font.
constexpr int kDialogFontPoints = 8;

// The client profiles offered in list 1022.
constexpr const char* kClientProfiles[] = {"官服 105"};

template <class Control> Control* place(Control* control, int id, int x, int y, int w, int h) {
    if (id != 0) {
        control->setObjectName(QString::number(id));
    }
    control->setGeometry(unitsToPixels(x, y, w, h));
    return control;
}

} // namespace

SpawnEditorWindow::SpawnEditorWindow(DialogService* dialogs, QWidget* parent)
    : QDialog(parent), m_ownDialogs(dialogs ? nullptr : std::make_unique<QtDialogService>(this)),
      m_dialogs(dialogs ? dialogs : m_ownDialogs.get()) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(unitsToPixelsX(kWindowWidthUnits), unitsToPixelsY(kWindowHeightUnits));
    setWindowIcon(QIcon(QString::fromLatin1(MapResources::kAppIcon)));
    QFont dialogFont = font();
    dialogFont.setPointSize(kDialogFontPoints);
    setFont(dialogFont);
    buildControls();
    connect(&m_document, &SpawnDocument::modifiedChanged, this, &SpawnEditorWindow::updateCaption);
    updateCaption();
}

SpawnEditorWindow::~SpawnEditorWindow() {
    // The list model, the views and the coordinate boxes refer to the document, a member that
    // would otherwise go before them (QObject deletes its children after our members). Newest
    // first, as what refers to another child is made after it; the list is read anew each time
    // in case a child takes others with it.
    while (!children().isEmpty()) {
        delete children().constLast();
    }
}

void SpawnEditorWindow::buildControls() {
    auto button = [this](int id, const char* text, int x, int y, int w, int h) {
        auto* b = place(new QPushButton(QString::fromUtf8(text), this), id, x, y, w, h);
        b->setAutoDefault(false); // Enter in an edit box must not press a button
        b->setDefault(false);
        return b;
    };
    auto group = [this](const char* text, int x, int y, int w, int h) {
        return place(new QGroupBox(QString::fromUtf8(text), this), 0, x, y, w, h);
    };
    auto label = [this](const char* text, int x, int y, int w, int h) {
        return place(new QLabel(QString::fromUtf8(text), this), 0, x, y, w, h);
    };
    auto edit = [this](int id, int x, int y, int w, int h) {
        return place(new QLineEdit(this), id, x, y, w, h);
    };

    group("List", 7, 7, 147, 131);
    m_countLabel = place(new QLabel(this), ControlId::kCountLabel, 12, 19, 87, 13);
    m_countLabel->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_countLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    button(ControlId::kRefresh, "Refresh", 103, 19, 45, 13);
    m_recordList = place(new QTableView(this), ControlId::kRecordList, 12, 38, 137, 95);
    buildRecordList();

    group("Search", 158, 7, 126, 44);
    m_searchById =
        place(new QRadioButton(QStringLiteral("ID"), this), ControlId::kSearchById, 166, 21, 32, 10);
    place(new QRadioButton(QStringLiteral("Name"), this), ControlId::kSearchByName, 166, 35, 40, 10);
    m_searchText = edit(ControlId::kSearchText, 205, 16, 71, 14);
    button(ControlId::kSearch, "Ok->>", 225, 33, 50, 14);
    button(ControlId::kAddEntry, "+", 162, 56, 56, 14);
    button(ControlId::kRemoveEntry, "-", 224, 56, 56, 14);
    button(ControlId::kNew, "New", 162, 79, 56, 14);
    button(ControlId::kRemoveRecord, "Remove", 225, 79, 56, 14);
    button(ControlId::kApply, "Apply", 161, 100, 119, 14);
    auto* save = button(ControlId::kSave, "Save", 161, 120, 61, 17);
    auto* logout = button(ControlId::kLogout, "Logout", 226, 121, 54, 16);

    group("Options", 7, 142, 280, 298);
    m_formFrame = place(new QFrame(this), ControlId::kFormFrame, 12, 152, 269, 273);
    m_fieldPanel = new QWidget(m_formFrame);
    m_fieldPanel->setObjectName(QStringLiteral("FieldPanel"));
    m_fieldPanel->setGeometry(m_formFrame->contentsRect());
    m_formScrollBar = place(new QScrollBar(Qt::Horizontal, this), ControlId::kFormScrollBar, 9, 427, 277, 11);
    m_formScrollBar->hide();

    auto* mapGroup = group("Location NPC", 291, 7, 301, 353);
    mapGroup->setAlignment(Qt::AlignHCenter);
    // The picture takes the bitmap's own size, as a static showing a bitmap does.
    m_mapView = new MapView(this);
    m_mapView->move(unitsToPixels(296, 19, 291, 336).topLeft());

    group("Absolute coordinates", 291, 362, 301, 28);
    label("X:", 296, 373, 27, 12);
    m_coordinateBoxes[0] = edit(ControlId::kWorldX, 327, 372, 61, 12);
    label("Y:", 393, 373, 27, 12);
    m_coordinateBoxes[1] = edit(ControlId::kWorldY, 425, 372, 61, 12);
    label("Z:", 491, 373, 27, 12);
    m_coordinateBoxes[2] = edit(ControlId::kWorldZ, 523, 372, 61, 12);

    group("The coordinates on the map", 291, 394, 301, 26);
    label("X:", 296, 406, 27, 12);
    m_coordinateBoxes[3] = edit(ControlId::kMapX, 328, 405, 61, 12);
    label("Y:", 394, 406, 27, 12);
    m_coordinateBoxes[4] = edit(ControlId::kMapY, 426, 405, 61, 12);
    label("Height:", 492, 404, 28, 12);
    m_coordinateBoxes[5] = edit(ControlId::kMapHeight, 524, 404, 61, 12);

    button(ControlId::kSetCoordinates, "<--Set the coordinates NPC", 291, 425, 110, 15);
    button(ControlId::kReadClientPosition, "-----", 411, 425, 68, 15);
    label("---:", 482, 428, 37, 12);
    m_clientProfile = place(new QComboBox(this), ControlId::kClientProfile, 524, 428, 70, 51);
    for (const char* profile : kClientProfiles) {
        m_clientProfile->addItem(QString::fromUtf8(profile));
    }
    // A drop-down list is one line tall; the template's height is that of its open list.
    m_clientProfile->resize(m_clientProfile->width(), unitsToPixelsY(14));
    m_clientProfile->setCurrentIndex(0);

    m_coordinates = new CoordinateBoxes(m_coordinateBoxes, m_mapView, this);
    m_searchById->setChecked(true);

    connect(save, &QPushButton::clicked, this, &SpawnEditorWindow::saveFile);
    connect(logout, &QPushButton::clicked, this, &SpawnEditorWindow::reject);
}

void SpawnEditorWindow::buildRecordList() {
    m_recordModel = new RecordListModel(m_document, this);
    m_recordList->setModel(m_recordModel);
    m_recordList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_recordList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_recordList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_recordList->setShowGrid(false);
    m_recordList->setWordWrap(false);
    m_recordList->setFrameShadow(QFrame::Sunken);
    m_recordList->verticalHeader()->hide();
    m_recordList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_recordList->verticalHeader()->setDefaultSectionSize(kRecordRowHeight);
    m_recordList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_recordList->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < RecordListModel::ColumnCount; ++column) {
        m_recordList->setColumnWidth(column, RecordListModel::kColumnWidths[column]);
    }
    m_recordList->setStyleSheet(QStringLiteral("QTableView { background-color: #000000; color: #00FF00; }"));
}

bool SpawnEditorWindow::initialise(const std::string& folder) {
    m_folder = folder;
    auto names = loadElementNamesAtStartup(*m_dialogs, folder);
    if (!names) {
        return false;
    }
    m_names = std::move(*names);
    auto opened = openSpawnFileAtStartup(*m_dialogs, m_names, folder);
    if (!opened) {
        return false;
    }
    m_document.load(std::move(opened->file), std::move(opened->path));
    m_countLabel->setText(QString::fromStdString(countLabelText(m_document.context().recordCountWord())));
    return true;
}

void SpawnEditorWindow::accept() {}

void SpawnEditorWindow::reject() {
    if (confirmClose(m_document, *m_dialogs)) {
        QDialog::reject();
    }
}

void SpawnEditorWindow::saveFile() {
    saveSpawnFile(m_document, *m_dialogs, m_folder);
}

void SpawnEditorWindow::updateCaption() {
    setWindowTitle(QStringLiteral("%1 %2 - %3[*]")
                       .arg(QString::fromUtf8(kProgramName), QString::fromUtf8(kProgramVersion),
                            QString::fromUtf8(SpawnLayout::kDefaultFileName.data(),
                                              static_cast<qsizetype>(SpawnLayout::kDefaultFileName.size()))));
    setWindowModified(m_document.isModified());
}

} // namespace spawn
