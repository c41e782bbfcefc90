#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/MainWindow.h"
#include "app/ListWiring.h"
#include "lists/JudgeListEditor.h"
#include "platform/FileRegistryStore.h"
#include "support/FakeClipboard.h"
#include "support/FakeFileDialog.h"
#include "support/FakeMessageBox.h"

using namespace Qt::StringLiterals;

namespace qv {
namespace {

class ListWiringTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        MainWindow::Services services;
        auto clipboard = std::make_unique<FakeClipboard>();
        auto box = std::make_unique<FakeMessageBox>();
        auto dialog = std::make_unique<FakeFileDialog>();
        m_clipboard = clipboard.get();
        m_box = box.get();
        m_dialog = dialog.get();
        services.clipboard = std::move(clipboard);
        services.messageBox = std::move(box);
        services.fileDialog = std::move(dialog);
        m_window = std::make_unique<MainWindow>(std::move(services));
        m_storePath = QDir(m_dir.path()).filePath(u"registry.reg"_s).toStdString();
        m_judgePath = QDir(m_dir.path()).filePath(u"judgescripts.txt"_s).toStdString();
        m_wiring
            = new ListWiring(*m_window, std::make_unique<FileRegistryStore>(m_storePath), {}, m_judgePath);

        m_window->listView1().addRow({}, { "10.0.0.1", "8080", "3" });
        m_window->List2().addItem("10.0.0.1:8080");
        m_window->listView1().setSelectedRow(0);
    }

    QTemporaryDir m_dir;
    std::string m_storePath;
    std::string m_judgePath;
    FakeClipboard* m_clipboard = nullptr;
    FakeMessageBox* m_box = nullptr;
    FakeFileDialog* m_dialog = nullptr;
    std::unique_ptr<MainWindow> m_window;
    ListWiring* m_wiring = nullptr; // a child of the window
};

TEST_F(ListWiringTest, MenusAndDropDownsReachTheOperations)
{
    m_window->List1().addItem("1.1.1.1:80");
    m_window->StatusBar1()->setPanelCaption(3, u"Loaded: 1"_s);
    m_window->buttonMenu(4)->actions().at(0)->trigger();
    EXPECT_EQ(m_window->List1().count(), 0);
    EXPECT_EQ(m_window->StatusBar1()->PanelCaption(3), u"Loaded: 0"_s);

    m_window->mnuCopy()->trigger();
    EXPECT_EQ(m_clipboard->text(), "10.0.0.1:8080");

    m_window->mnuProxy()->trigger(); // the fake box answers Yes
    FileRegistryStore store(m_storePath);
    EXPECT_EQ(store.value(SystemProxyCommands::kKeyPath, "ProxyServer")->text, "10.0.0.1:8080");
    EXPECT_EQ(m_box->shown().at(0).title, "Set Proxy");

    Q_EMIT m_window->foundMouseDown(2, 0, 3, 3);
    EXPECT_TRUE(m_window->mnuFile()->isVisible());
    m_window->mnuFile()->hide();

    m_dialog->setNextFileName(QDir(m_dir.path()).filePath(u"out.txt"_s).toStdString());
    for (QAction* action : m_window->buttonMenu(6)->actions()) {
        if (action->text() == u"Export"_s)
            action->trigger();
    }
    QFile out(QDir(m_dir.path()).filePath(u"out.txt"_s));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), QByteArray("10.0.0.1:8080\r\n"));
}

TEST_F(ListWiringTest, EditButtonOpensEditorOnceAndClosingWindowClosesIt)
{
    QFile file(QString::fromStdString(m_judgePath));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("http://judge/\r\n");
    file.close();

    Q_EMIT m_window->editJudgesClicked();
    JudgeListEditor* form = m_wiring->judgeEditor().form();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Text1()->toPlainText(), u"http://judge/\n"_s);
    form->Text1()->setPlainText(u"unsaved"_s);
    Q_EMIT m_window->editJudgesClicked();
    EXPECT_EQ(m_wiring->judgeEditor().form(), form);
    EXPECT_EQ(form->Text1()->toPlainText(), u"unsaved"_s);

    Q_EMIT m_window->unloading();
    EXPECT_EQ(m_wiring->judgeEditor().form(), nullptr);
}

} // namespace
} // namespace qv
