// The record form and the list search in the window's own classes: a click that builds a
// 100-entry form anew, a click that only refills one, and a search over 100,000 records. Beside
// them, the naive form with a real label and edit box for every field, as the baseline.

#include "BenchApplication.h"
#include "BenchDialogs.h"
#include "BenchFiles.h"
#include "ByteReader.h"
#include "DemoElements.h"
#include "DemoWorld.h"
#include "DialogService.h"
#include "ElementDatabase.h"
#include "FieldPanel.h"
#include "RecordEditor.h"
#include "RecordListModel.h"
#include "SpawnDocument.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace spawn;

// The frame the form lives in, as large as the window's frame 1001.
constexpr int kFrameWidth = 404;
constexpr int kFrameHeight = 444;

// Records 1 and 2 have 100 entries, record 3 has none.
SpawnFile formFile() {
    SpawnFile file;
    for (const std::int32_t entries : {100, 100, 0}) {
        std::vector<std::uint8_t> bytes(SpawnLayout::recordSize(entries));
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(entries));
        }
        writeI32At(bytes, SpawnLayout::kEntryCountOffset, entries);
        file.records.append(SpawnRecord::fromBytes(bytes).value());
    }
    return file;
}

// The editor with its form panel in a shown frame.
struct FormOnScreen {
    FormOnScreen() {
        document.load(formFile(), "bench");
        editor.showLoadedFile();
        frame.resize(kFrameWidth, kFrameHeight);
        panel = new FieldPanel(editor, &frame);
        subscriptions += editor.formRebuilt.connect([this] { panel->rebuild(); });
        subscriptions += editor.formFilled.connect([this] { panel->refill(); });
        frame.show();
    }
    // A click, then the frame painted as the screen would show it.
    void click(int row) {
        editor.selectRecord(row);
        benchmark::DoNotOptimize(frame.grab());
    }

    QApplication& app = spawn::bench::benchApplication();
    bench::AnsweringDialogs dialogs;
    SpawnDocument document;
    RecordListView listView{document};
    RecordListModel list{listView};
    ElementNameTables names;
    RecordEditor editor{document, names, listView, dialogs};
    QFrame frame;
    FieldPanel* panel = nullptr;
    Subscriptions subscriptions;
};

void BM_FormClickRebuilds100Entries(benchmark::State& state) {
    FormOnScreen form;
    for (auto _ : state) {
        state.PauseTiming();
        form.click(2); // no entries: the next click builds the grid anew
        state.ResumeTiming();
        form.click(0);
    }
}
BENCHMARK(BM_FormClickRebuilds100Entries)->Unit(benchmark::kMillisecond);

void BM_FormClickRefills100Entries(benchmark::State& state) {
    FormOnScreen form;
    int row = 0;
    for (auto _ : state) {
        form.click(row);
        row = 1 - row; // the other 100-entry record: same grid, new texts
    }
}
BENCHMARK(BM_FormClickRefills100Entries)->Unit(benchmark::kMillisecond);

// The baseline: a label and an edit box for each of the 1,820 fields, all created at a rebuild.
struct NaiveForm {
    NaiveForm() {
        frame.resize(kFrameWidth, kFrameHeight);
        frame.show();
    }
    void rebuild(const SpawnRecord& record) {
        delete panel;
        panel = new QWidget(&frame);
        edits.clear();
        for (const FormField& f : recordFormFields(record)) {
            const auto cell = FormGeometry::cellOf(f.number);
            const int x = cell.column * FormGeometry::kColumnWidth;
            const int y = cell.row * FormGeometry::kRowHeight;
            auto* label = new QLabel(QString::fromStdString(f.label), panel);
            label->setGeometry(x, y, FormGeometry::kLabelWidth, FormGeometry::kRowHeight);
            auto* edit = new QLineEdit(panel);
            edit->setGeometry(x + FormGeometry::kLabelWidth, y, FormGeometry::kEditWidth,
                              FormGeometry::kRowHeight);
            edits.push_back(edit);
        }
        panel->resize(FormGeometry::kColumnWidth * (1 + record.entryCount), kFrameHeight);
        panel->show();
    }
    void fill(const SpawnRecord& record) {
        std::size_t i = 0;
        for (const FormField& f : recordFormFields(record)) {
            edits[i++]->setText(QString::fromStdString(f.text));
        }
        benchmark::DoNotOptimize(frame.grab());
    }

    QApplication& app = spawn::bench::benchApplication();
    QFrame frame;
    QWidget* panel = nullptr;
    std::vector<QLineEdit*> edits;
};

void BM_NaiveFormRebuilds100Entries(benchmark::State& state) {
    NaiveForm form;
    const SpawnFile file = formFile();
    for (auto _ : state) {
        form.rebuild(file.records.at(1));
        form.fill(file.records.at(1));
    }
}
BENCHMARK(BM_NaiveFormRebuilds100Entries)->Unit(benchmark::kMillisecond);

void BM_NaiveFormRefills100Entries(benchmark::State& state) {
    NaiveForm form;
    const SpawnFile file = formFile();
    form.rebuild(file.records.at(1));
    std::int32_t position = 1;
    for (auto _ : state) {
        form.fill(file.records.at(position));
        position = 3 - position;
    }
}
BENCHMARK(BM_NaiveFormRefills100Entries)->Unit(benchmark::kMillisecond);

// 100,000 demo areas named from the demo element database.
SpawnDocument& searchDocument() {
    static SpawnDocument* document = [] {
        spawn::bench::benchApplication();
        const auto elements = demo::generateDemoElements({});
        const auto names = readElementDatabase(elements.bytes).value().names;
        const auto bytes = demo::generateDemoSpawnFile({100000, 11, demo::demoSpawnCreatureIds(elements)});
        auto* doc = new SpawnDocument;
        doc->load(parseSpawnFile(bytes, names, "bench").value(), "bench");
        return doc;
    }();
    return *document;
}

void searchBench(benchmark::State& state, SearchMode mode, const std::string& text) {
    SpawnDocument& document = searchDocument();
    bench::AnsweringDialogs dialogs;
    RecordListView listView(document);
    RecordListModel list(listView);
    const ElementNameTables names;
    RecordEditor editor(document, names, listView, dialogs);
    editor.setSearchMode(mode);
    for (auto _ : state) {
        editor.searchRecords(text);
    }
    state.counters["hits"] = static_cast<double>(list.rowCount());
}

void BM_Search100kById(benchmark::State& state) {
    searchBench(state, SearchMode::Id, std::to_string(searchDocument().records().at(50000).creatureId));
}
BENCHMARK(BM_Search100kById)->Unit(benchmark::kMillisecond);

void BM_Search100kByName(benchmark::State& state) {
    searchBench(state, SearchMode::Name, "Stalker");
}
BENCHMARK(BM_Search100kByName)->Unit(benchmark::kMillisecond);

void BM_Search100kEveryName(benchmark::State& state) {
    searchBench(state, SearchMode::Name, "");
}
BENCHMARK(BM_Search100kEveryName)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

// 1,000 record changes on a 50,000-record file taken back one by one, the list following each step
// as it does in the window: a third each of Apply, New and Remove near the start of the list (the
// costliest place for a removal to be taken back).
void BM_Undo1000StepsOn50k(benchmark::State& state) {
    spawn::bench::benchApplication();
    const auto& bytes = spawn::bench::bigFile();
    const ElementNameTables names;
    bench::AnsweringDialogs dialogs;
    for (auto _ : state) {
        state.PauseTiming();
        SpawnDocument document;
        document.load(parseSpawnFile(bytes, names, "bench").value(), "bench");
        RecordListView listView(document);
        RecordListModel list(listView);
        RecordEditor editor(document, names, listView, dialogs);
        editor.showLoadedFile();
        for (int i = 0; i < 1000; ++i) {
            switch (i % 3) {
            case 0:
                document.replaceRecord(1 + i, document.records().at(2 + i));
                break;
            case 1:
                document.appendRecord(document.records().at(1 + i));
                break;
            default:
                document.removeRecord(1 + i);
                break;
            }
        }
        state.ResumeTiming();
        for (int i = 0; i < 1000; ++i) {
            editor.undo();
        }
        state.PauseTiming();
        if (document.isModified()) {
            state.SkipWithError("history did not reach the loaded state");
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_Undo1000StepsOn50k)->Unit(benchmark::kMillisecond);

} // namespace
