// The Manual and About commands, both resource sets, and the start-up and shut-down paths.
#include "ShellFixture.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QUrl>

#include <string_view>
#include <tuple>
#include <vector>

#include "app/AboutDlg.h"
#include "app/MainFrame.h"
#include "app/ResourceSet.h"
#include "app/TarnViewLink.h"
#include "view/TarnView.h"
#include "data/FakeMIDIController.h"
#include "platform/MessageBoxService.h"
#include "platform/SingleInstance.h"
#include "platform/StringTable.h"
#include "platform/SystemLanguage.h"
#include "prefs/Preference.h"
#include "widgets/Bitmaps.h"

namespace {

const QString kManualError = QStringLiteral("Can't open operation manual file.");

// Catches what the desktop would be asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void Open(const QUrl& url) { opened << url; }
};

// Runs the test in a folder of its own, the folder the manual is looked for in.
class ShellCommands : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        m_previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(folders.Root()));
    }
    void TearDown() override
    {
        QDir::setCurrent(m_previous);
        ShellTest::TearDown();
    }

private:
    QString m_previous;
};

TEST_F(ShellCommands, MissingManualIsReported)
{
    ASSERT_TRUE(Start());
    app->OnHelpManual();
    EXPECT_EQ(CountShown(*boxes, kManualError), 1);
    EXPECT_EQ(boxes->Shown().back().icon, MessageBoxIcon::Warning);
    EXPECT_EQ(console->closeCount, 0) << "no configuration change came in: the transport is left alone";
}

TEST_F(ShellCommands, ManualInTheCurrentFolderIsOpened)
{
    QFile manual(QStringLiteral("Orla_Manual.pdf"));
    ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    manual.close();
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    ASSERT_TRUE(Start());
    app->OnHelpManual();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(QDir(folders.Root()).absoluteFilePath("Orla_Manual.pdf")));
    EXPECT_EQ(CountShown(*boxes, kManualError), 0);
}

// Where the manual is put, beside the current folder: $XDG_DATA_HOME and the two folders of
// $XDG_DATA_DIRS. F1 opens the first found, in that order, after the current folder.
struct ManualPlace {
    const char* name;
    std::vector<const char*> folders; // the data folders holding the manual: "home", "first", "second"
    const char* opened;               // the one opened; null: none, the box is shown
    bool bInCurrentFolder = false;
};

void PrintTo(const ManualPlace& place, std::ostream* os) { *os << place.name; }

class ManualInDataFolders : public ShellCommands, public testing::WithParamInterface<ManualPlace>
{
protected:
    void SetUp() override
    {
        ShellCommands::SetUp();
        for (const char* variable : {"XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
            m_saved.emplace_back(variable, qEnvironmentVariableIsSet(variable), qgetenv(variable));
        }
        qputenv("XDG_DATA_HOME", DataFolder("home").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", (DataFolder("first") + QLatin1Char(':') + DataFolder("second")).toLocal8Bit());
    }
    void TearDown() override
    {
        for (const auto& [variable, bWasSet, value] : m_saved) {
            if (bWasSet)
                qputenv(variable, value);
            else
                qunsetenv(variable);
        }
        ShellCommands::TearDown();
    }
    QString DataFolder(const char* name) const { return folders.Root() + QStringLiteral("/data-") + QLatin1String(name); }
    QString ManualIn(const char* name) const
    {
        return DataFolder(name) + QStringLiteral("/sonvale-data-manager/Orla_Manual.pdf");
    }

private:
    std::vector<std::tuple<const char*, bool, QByteArray>> m_saved;
};

TEST_P(ManualInDataFolders, TheFirstFoundIsOpened)
{
    for (const char* folder : GetParam().folders) {
        ASSERT_TRUE(QDir().mkpath(DataFolder(folder) + QStringLiteral("/sonvale-data-manager")));
        QFile manual(ManualIn(folder));
        ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    }
    if (GetParam().bInCurrentFolder) {
        QFile manual(QStringLiteral("Orla_Manual.pdf"));
        ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
    }
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    ASSERT_TRUE(Start());
    app->OnHelpManual();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    if (!GetParam().opened) {
        EXPECT_TRUE(catcher.opened.isEmpty()) << catcher.opened.value(0).toString().toStdString();
        EXPECT_EQ(CountShown(*boxes, kManualError), 1);
        return;
    }
    const QString expected = std::string_view(GetParam().opened) == "current"
                                 ? QDir(folders.Root()).absoluteFilePath(QStringLiteral("Orla_Manual.pdf"))
                                 : ManualIn(GetParam().opened);
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened[0], QUrl::fromLocalFile(expected));
    EXPECT_EQ(CountShown(*boxes, kManualError), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Shell, ManualInDataFolders,
    testing::Values(ManualPlace{"OnlyInTheSecondDataDir", {"second"}, "second"},
                    ManualPlace{"DataDirsInTheirOrder", {"first", "second"}, "first"},
                    ManualPlace{"DataHomeBeforeDataDirs", {"home", "first"}, "home"},
                    ManualPlace{"CurrentFolderBeforeAll", {"home", "first"}, "current", true},
                    ManualPlace{"NowhereShowsTheBox", {}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShellCommands, ChangeWhileTheManualErrorIsOpenReconnectsAfterwards)
{
    ASSERT_TRUE(Start());
    const int nRefreshes = view->refreshCurrentDataCount;
    CMessageBoxService::SetResponder([&](const MessageBoxRequest&) {
        FireConfigChangeFromDriverThread();
        QCoreApplication::sendPostedEvents();
        return MessageBoxAnswer::Ok;
    });
    app->OnHelpManual();
    CMessageBoxService::SetResponder({});
    EXPECT_EQ(console->closeCount, 1);
    EXPECT_EQ(view->refreshCurrentDataCount, nRefreshes + 1);
    EXPECT_TRUE(app->m_bConnected);
}

TEST_F(ShellCommands, AboutShowsTheProductAndClosesWithOk)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About"));
    QStringList texts;
    for (QLabel* pLabel : dialog.findChildren<QLabel*>())
        texts << pLabel->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Corvane Sonvale Data Manager")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Version 2.0.0")));
    QPushButton* pOk = dialog.findChild<QPushButton*>();
    ASSERT_NE(pOk, nullptr);
    EXPECT_TRUE(pOk->isDefault());
    QTimer::singleShot(0, pOk, &QPushButton::click);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}

// The mean difference per colour channel between two pictures of the same size.
double MeanDifference(const QImage& a, const QImage& b)
{
    double total = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            total += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return total / (3.0 * a.width() * a.height());
}

TEST_F(ShellCommands, AboutShowsTheProgramsIcon)
{
    QApplication::setWindowIcon(QIcon());
    CAboutDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const QLabel* pIcon = nullptr;
    for (const QLabel* pLabel : dialog.findChildren<QLabel*>())
        pIcon = pLabel->pixmap().isNull() ? pIcon : pLabel;
    ASSERT_NE(pIcon, nullptr);
    // What the window system shows there, against icon 128 drawn on the dialog's background.
    QImage expected(32, 32, QImage::Format_RGB32);
    expected.fill(dialog.palette().color(QPalette::Window));
    {
        QPainter painter(&expected);
        painter.drawPixmap(0, 0, LoadProgramIcon().pixmap(32, 32));
    }
    double difference = 255;
    EXPECT_TRUE(WaitFor([&] {
        const QImage shown = dialog.screen()->grabWindow(dialog.winId(), pIcon->x(), pIcon->y(), 32, 32).toImage();
        difference = shown.size() == expected.size() ? MeanDifference(shown, expected) : 255;
        return difference < 4;
    }, 2000)) << "mean difference " << difference;
    EXPECT_EQ(pIcon->size(), QSize(32, 32));
}

TEST_F(ShellCommands, JapaneseAboutKeepsItsOkButtonWhereTheTemplateHasIt)
{
    SetSystemDefaultLangIDOverride(0x0411);
    CAboutDlg dialog;
    const QFont font = DialogFont(9, 9);
    EXPECT_EQ(dialog.size(), DialogUnitsToPixels(font, 202, 101));
    QPushButton* pOk = dialog.findChild<QPushButton*>();
    ASSERT_NE(pOk, nullptr);
    EXPECT_EQ(pOk->pos(), QPoint(DialogUnitsToPixels(font, 77, 67).width(), DialogUnitsToPixels(font, 77, 67).height()));
}

TEST_F(ShellCommands, JapaneseBoxesLabelTheirStandardButtonsInJapanese)
{
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + QStringLiteral("/qtbase_ja.qm")))
        GTEST_SKIP() << "SKIPPED: Qt's Japanese translation (qt6-translations-l10n) is not installed";
    SetSystemDefaultLangIDOverride(0x0411);
    QTranslator translator;
    QTranslator qtTranslator;
    ASSERT_TRUE(InstallResourceSet(translator, qtTranslator));
    // The drop question as the user sees it: a real box, read while it is open, then cancelled.
    CMessageBoxService::SetResponder({});
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!pBox)
            return;
        for (const QAbstractButton* pButton : pBox->buttons())
            labels << pButton->text();
        pBox->reject();
    });
    const MessageBoxAnswer answer =
        CMessageBoxService::Show(nullptr, {LoadResourceString(IDS_CAPTION), LoadResourceString(IDS_UPDATE_QUESTION),
                                           MessageBoxIcon::Question, MessageBoxButtons::OkCancel});
    labels.sort();
    EXPECT_EQ(answer, MessageBoxAnswer::Cancel);
    EXPECT_EQ(labels, QStringList({QStringLiteral("OK"), QStringLiteral("キャンセル")}));
}

TEST_F(ShellCommands, JapaneseSystemGetsTheJapaneseMenuAndMessages)
{
    SetSystemDefaultLangIDOverride(0x0411);
    QTranslator translator;
    QTranslator qtTranslator;
    ASSERT_TRUE(InstallResourceSet(translator, qtTranslator));
    console->openResult = RC_NO_USABLE_PORT;
    const bool bStarted = Start();
    QStringList titles;
    if (bStarted) {
        for (QAction* pAction : app->MainFrame()->menuBar()->actions())
            titles << pAction->text();
    }
    const QString update = bStarted ? app->MainFrame()->Action(ID_FILE_UPDATE)->text() : QString();
    const QString about = bStarted ? app->MainFrame()->Action(ID_APP_ABOUT)->text() : QString();
    const QString aboutTitle = CAboutDlg().windowTitle();
    const QString prefQuestion = QCoreApplication::translate(
        "CWin32PrefHandler", "Preference file is broken.\nDo you want to initialize it?");
    QCoreApplication::removeTranslator(&translator);

    ASSERT_TRUE(bStarted);
    EXPECT_EQ(titles, QStringList({"ファイル(&F)", "編集(&E)", "ヘルプ(&H)"}));
    EXPECT_EQ(update, QStringLiteral("アップデート(&U)"));
    EXPECT_EQ(about, QStringLiteral("バージョン情報(&A)..."));
    EXPECT_EQ(aboutTitle, QStringLiteral("バージョン情報"));
    EXPECT_EQ(prefQuestion, QStringLiteral("初期設定ファイルが壊れています。初期化しますか？"));
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, QStringLiteral("接続エラーです。\n本体とコンピュータとの接続を確認してください。"));
    EXPECT_EQ(boxes->Shown()[0].caption, QStringLiteral("Sonvale Data Manager"));
}

TEST_F(ShellCommands, EnglishSystemKeepsTheEnglishSet)
{
    QTranslator translator;
    QTranslator qtTranslator;
    EXPECT_FALSE(InstallResourceSet(translator, qtTranslator));
    EXPECT_EQ(LoadResourceString(IDS_UPDATE_COMPLETED), QStringLiteral("Data update completed."));
    EXPECT_EQ(LoadResourceString(IDS_CAPTION), QStringLiteral("Sonvale Data Manager"));
    EXPECT_FALSE(LoadResourceString(IDS_COM_START_FAILED).isEmpty());
    EXPECT_TRUE(LoadResourceString(101).isEmpty());
}

TEST_F(ShellCommands, ViewThatCannotPrepareItsDataEndsStartUp)
{
    app->SetViewFactory([this](CTarnDoc&) -> std::unique_ptr<CMainViewLink> {
        auto pView = std::make_unique<FakeMainView>();
        pView->initOK = false;
        view = pView.get();
        return pView;
    });
    EXPECT_FALSE(Start());
    EXPECT_EQ(view->refreshCurrentDataCount, 0);
    EXPECT_FALSE(app->InstanceLock().IsListening()) << "later instances find no window to bring forward";
}

TEST_F(ShellCommands, ShutDownSavesThePreferencesAndClosesTheTransport)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(view->refreshCurrentDataCount, 1) << "start-up ends by asking the console";
    const QString path = app->ProfilePath();
    app->MainFrame()->setGeometry(QRect(12, 34, 567, 321));
    app->MainFrame()->close();
    QFile::remove(path);
    app->ExitInstance();
    started = false;
    EXPECT_EQ(console->closeCount, 1);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the file is written again at the end: " << path.toStdString();
    const QByteArray contents = file.readAll();
    EXPECT_TRUE(contents.contains("Right=579")) << contents.constData();
}

TEST_F(ShellCommands, StartUpFillsTheWindowWithTheDataListView)
{
    app = std::make_unique<CTarnApp>();
    ASSERT_TRUE(Start());
    auto* pLink = dynamic_cast<CTarnViewLink*>(app->MainView());
    ASSERT_NE(pLink, nullptr);
    ASSERT_NE(pLink->View(), nullptr);
    EXPECT_TRUE(pLink->IsInitOK());
    EXPECT_EQ(app->MainFrame()->centralWidget(), pLink->View());
    EXPECT_EQ(pLink->View()->List().topLevelItemCount(), 59);
}

} // namespace

#include "ShellCommandsTest.moc"
