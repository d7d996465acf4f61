// Copy and paste of records in the window's own classes: 50,000 listed records to the clipboard's
// text, and 10,000 records pasted back as one history step with the list drawn again.

#include "BenchApplication.h"
#include "BenchDialogs.h"
#include "BenchFiles.h"
#include "DialogService.h"
#include "RecordClipboard.h"
#include "RecordEditor.h"
#include "RecordListModel.h"
#include "SpawnDocument.h"
#include "SpawnJson.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QTableView>

#include <benchmark/benchmark.h>

#include <numeric>

namespace {

using namespace spawn;

constexpr std::int32_t kPastedRecords = 10000;

// The window's parts that copy and paste touch, on the 50,000-record demo file, with the list
// shown in a view.
struct Editor {
    Editor() {
        document.load(parseSpawnFile(bench::bigFile(), names, "bench").value(), "mobset.data");
        editor.showLoadedFile();
        view.setModel(&list);
        view.resize(300, 400);
        view.show();
        appended = clipboard.recordsAppended.connect([this](int row) { view.scrollTo(list.index(row, 0)); });
    }
    QApplication& application = bench::benchApplication(); // before any widget
    ElementNameTables names;
    SpawnDocument document;
    RecordListView listView{document};
    RecordListModel list{listView};
    bench::AnsweringDialogs dialogs;
    RecordEditor editor{document, names, listView, dialogs};
    RecordClipboard clipboard{document, names, listView, editor, dialogs};
    QTableView view;
    Subscription appended;
};

void BM_CopyListedRecords50k(benchmark::State& state) {
    Editor e;
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = e.clipboard.copyListedRecords();
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
        size = text.size();
    }
    bench::setBytesProcessed(state, size);
}
BENCHMARK(BM_CopyListedRecords50k)->Unit(benchmark::kMillisecond);

void BM_PasteRecords10k(benchmark::State& state) {
    Editor e;
    std::vector<std::int32_t> positions(kPastedRecords);
    std::iota(positions.begin(), positions.end(), 1);
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(exportRecordsJson(e.document.records(), positions, true)));
    for (auto _ : state) {
        const bool pasted = e.clipboard.paste(QGuiApplication::clipboard()->text().toStdString());
        e.view.repaint(); // the list drawn at the first pasted row
        state.PauseTiming();
        if (!pasted) {
            state.SkipWithError("paste refused");
            break;
        }
        e.editor.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PasteRecords10k)->Unit(benchmark::kMillisecond);

} // namespace
