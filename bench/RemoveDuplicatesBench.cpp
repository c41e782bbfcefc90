// Times duplicate removal on full lists (32767 entries), on the found list alone and as Kill
// Duplicates does it, through the window's found-proxy view too. Pass --with-rule to also time the
// search-from-the-top rule it replaces.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include <QApplication>

#include "app/ListViewWidget.h"
#include "lists/FoundProxyOperations.h"
#include "lists/ListFiles.h"
#include "platform/MemoryListBox.h"
#include "platform/gui/QtClipboard.h"
#include "platform/gui/QtFileDialog.h"
#include "platform/gui/QtMessageBox.h"
#include "platform/gui/TreeListView.h"

namespace {

void searchFromTheTop(qv::ListBox& list)
{
    int i = 0;
    while (i < list.count()) {
        if (list.selectByText(list.item(i)) == i)
            ++i;
        else
            list.removeItem(i);
    }
}

void fill(qv::MemoryListBox& list, int distinct)
{
    list.clear();
    for (int i = 0; i < qv::ListBox::kMaxEntries; ++i) {
        const int n = i % distinct;
        list.addItem((i % 2 ? std::string("proxy-") : std::string("PROXY-")) + std::to_string(n / 256) + '.'
            + std::to_string(n % 256) + ":8080");
    }
}

double timeMs(qv::MemoryListBox& list, int distinct, const std::function<void(qv::ListBox&)>& run)
{
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        fill(list, distinct);
        const auto start = std::chrono::steady_clock::now();
        run(list);
        const auto end = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
    }
    return best;
}

} // namespace

// Kill Duplicates on a shown found-proxy view of full length, found list included.
void killDuplicatesInView()
{
    struct NoHost final : qv::FoundProxyHost {
        void setPanelCaption(int, const std::string&) override { }
        void showPopupMenu() override { }
    };
    qv::ListViewWidget widget;
    qv::TreeListView view(&widget, QStringList(4));
    widget.resize(400, 200);
    widget.show();
    qv::MemoryListBox pending;
    qv::MemoryListBox found;
    NoHost host;
    // Not used by this command.
    qv::QtClipboard clipboard;
    qv::QtFileDialog dialog;
    qv::QtMessageBox box;
    for (const int distinct : { qv::ListBox::kMaxEntries, 16384, 1 }) {
        view.clear();
        found.clear();
        for (int i = 0; i < qv::ListBox::kMaxEntries; ++i) {
            const int n = i % distinct;
            const std::string ip = "10.0." + std::to_string(n / 256) + '.' + std::to_string(n % 256);
            view.addRow({}, { ip, "8080", "1" });
            found.addItem(ip + ":8080");
        }
        QCoreApplication::processEvents();
        qv::FoundProxyOperations ops(pending, found, view, clipboard, dialog, box, host);
        const auto start = std::chrono::steady_clock::now();
        ops.buttonMenuClick("killdupes");
        QCoreApplication::processEvents();
        const auto end = std::chrono::steady_clock::now();
        std::printf("  Kill Duplicates through the view, %5d distinct: %8.2f ms, %d rows left\n", distinct,
            std::chrono::duration<double, std::milli>(end - start).count(), view.rowCount());
    }
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool withRule = argc > 1 && std::strcmp(argv[1], "--with-rule") == 0;
    qv::MemoryListBox list;
    std::printf("RemoveDuplicates on %d entries (best of 5)\n", qv::ListBox::kMaxEntries);
    for (const int distinct : { qv::ListBox::kMaxEntries, 16384, 100, 1 }) {
        const double ms = timeMs(list, distinct, [](qv::ListBox& l) { qv::ListFiles::RemoveDuplicates(l); });
        std::printf("  %5d distinct: %8.2f ms, %d left\n", distinct, ms, list.count());
        if (withRule) {
            const double ruleMs = timeMs(list, distinct, searchFromTheTop);
            std::printf("  %5d distinct, search from the top: %8.2f ms\n", distinct, ruleMs);
        }
    }
    killDuplicatesInView();
    return 0;
}
