#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ChildProcess.h"
#include "CliApp.h"
#include "OstraOptions.h"
#include "JackRequirement.h"
#include "JackTestServer.h"

namespace {

struct ProcessResult {
    int exitCode = -1;
    QString out;
    QString err;
};

ProcessResult Execute(const QString& program, const QStringList& args, int timeoutMs = 240000)
{
    QProcess process;
    process.start(program, args);
    ProcessResult run;
    if (!process.waitForStarted(timeoutMs) || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish: ") + program;
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

const QString kDriverSubPath = QStringLiteral(SONVALE_LIBDIR "/sonvale-data-manager/drivers/vorn-jack.so");
const QString kDesktopEntry = QStringLiteral("share/applications/" SONVALE_APP_ID ".desktop");
const QString kMetainfo = QStringLiteral("share/metainfo/" SONVALE_APP_ID ".metainfo.xml");
const QStringList kPrograms = {QStringLiteral("sonvale-data-manager"), QStringLiteral("sonvale-cli"),
                               QStringLiteral("ostra-emulator")};

// The files a Linux desktop and the programs themselves expect, relative to the prefix.
QStringList ExpectedFiles()
{
    return {QStringLiteral("bin/sonvale-data-manager"),
            QStringLiteral("bin/sonvale-cli"),
            QStringLiteral("bin/ostra-emulator"),
            kDriverSubPath,
            kDesktopEntry,
            kMetainfo,
            QStringLiteral("share/icons/hicolor/32x32/apps/sonvale-data-manager.png"),
            QStringLiteral("share/bash-completion/completions/sonvale-cli"),
            QStringLiteral("share/icons/hicolor/48x48/apps/sonvale-data-manager.png"),
            QStringLiteral("share/icons/hicolor/128x128/apps/sonvale-data-manager.png"),
            QStringLiteral("share/icons/hicolor/256x256/apps/sonvale-data-manager.png"),
            QStringLiteral("share/man/man1/sonvale-data-manager.1.gz"),
            QStringLiteral("share/man/man1/sonvale-cli.1.gz"),
            QStringLiteral("share/man/man1/ostra-emulator.1.gz"),
            QStringLiteral("share/doc/sonvale-data-manager/README.md"),
            QStringLiteral("share/doc/sonvale-data-manager/copyright"),
            QStringLiteral("share/doc/sonvale-data-manager/changelog.gz"),
            QStringLiteral("share/doc/sonvale-data-manager/docs/main-window.png")};
}

// A manual page as man shows it, on one long line per paragraph and without hyphenation.
QString RenderedManualPage(const QString& file)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("2000"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral("man"), {QStringLiteral("-l"), file});
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Whether a rendered manual page has a paragraph that begins with this term (a command, an exit code,
// a fault mode), as .TP entries begin.
bool HasEntry(const QString& page, const QString& term)
{
    return page.contains(QRegularExpression(QStringLiteral("\n {7}") + QRegularExpression::escape(term) + QStringLiteral("\\s")));
}

// The words of a usage text that name options ("--json", "-h").
QStringList OptionsOf(const QString& usage)
{
    QStringList options;
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
    for (auto it = option.globalMatch(usage); it.hasNext();)
        options.append(it.next().captured(1));
    options.removeDuplicates();
    return options;
}

// The entries of a usage text's section ("Commands:") up to the next blank line; a line indented further
// than the entries continues the one before and is left out.
QStringList SectionOf(const QString& usage, const QString& title)
{
    const QStringList lines = usage.split(QLatin1Char('\n'));
    QStringList section;
    for (qsizetype i = lines.indexOf(title) + 1; i > 0 && i < lines.size() && !lines[i].isEmpty(); ++i) {
        if (!lines[i].startsWith(QStringLiteral("   ")))
            section.append(lines[i].trimmed());
    }
    return section;
}

// Whether an ELF file carries a symbol table or debugging information.
bool NotStripped(const QString& file, QString& sections)
{
    QProcess process;
    process.start(QStringLiteral("readelf"), {QStringLiteral("-S"), QStringLiteral("--wide"), file});
    process.waitForFinished(30000);
    sections = QString::fromUtf8(process.readAllStandardOutput());
    return sections.isEmpty() || sections.contains(QStringLiteral(" .symtab ")) || sections.contains(QStringLiteral(".debug_"));
}

class InstallTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_prefix = std::make_unique<QTemporaryDir>();
        const ProcessResult install = Execute(QStringLiteral(SONVALE_CMAKE),
                                    {QStringLiteral("--install"), QStringLiteral(SONVALE_BUILD_DIR),
                                     QStringLiteral("--prefix"), s_prefix->path()});
        s_installLog = install.out + install.err;
        s_bInstalled = install.exitCode == 0;
    }
    static void TearDownTestSuite() { s_prefix.reset(); }

    // Runs `sonvale-cli devices` from a prefix with a private JACK server, and with an emulated console
    // on it when asked.
    ProcessResult CliDevices(const QString& prefix, bool withConsole)
    {
        CJackTestServer server;
        std::string reason;
        if (!server.Start(256, reason)) {
            m_skipReason = reason;
            return {};
        }
        CChildProcess emulator;
        const QString log = QDir(s_prefix->path()).filePath(QStringLiteral("emulator.log"));
        if (withConsole) {
            EXPECT_TRUE(emulator.Start({OSTRA_EMULATOR_PATH}, log.toStdString()));
            EXPECT_TRUE(CJackTestServer::WaitFor([&] { return emulator.Log().find("ready:") != std::string::npos; }));
        }
        ProcessResult run = Execute(prefix + QStringLiteral("/bin/sonvale-cli"), {QStringLiteral("devices")}, 60000);
        emulator.Stop(SIGTERM);
        return run;
    }

    static std::unique_ptr<QTemporaryDir> s_prefix;
    static QString s_installLog;
    static bool s_bInstalled;
    std::string m_skipReason;
};

std::unique_ptr<QTemporaryDir> InstallTest::s_prefix;
QString InstallTest::s_installLog;
bool InstallTest::s_bInstalled = false;

TEST_F(InstallTest, PutsProgramsDriverDesktopEntryAndIconsWhereADesktopLooks)
{
    ASSERT_TRUE(s_bInstalled) << s_installLog.toStdString();
    const QDir prefix(s_prefix->path());
    for (const QString& file : ExpectedFiles())
        EXPECT_TRUE(QFile::exists(prefix.filePath(file))) << file.toStdString();
    for (const char* program : {"bin/sonvale-data-manager", "bin/sonvale-cli", "bin/ostra-emulator"})
        EXPECT_TRUE(QFileInfo(prefix.filePath(QString::fromLatin1(program))).isExecutable()) << program;

    QFile desktop(prefix.filePath(kDesktopEntry));
    ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(desktop.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("[Desktop Entry]"));
    for (const char* line : {"Type=Application", "Name=Sonvale Data Manager", "Exec=sonvale-data-manager",
                             "Icon=sonvale-data-manager", "Terminal=false", "X-GNOME-SingleWindow=true",
                             "StartupWMClass=sonvale-data-manager"})
        EXPECT_TRUE(lines.contains(QString::fromLatin1(line))) << line;

    // Software centres find the program by the metainfo's id, which names the desktop entry, and list
    // the release that is installed.
    QFile metainfo(prefix.filePath(kMetainfo));
    ASSERT_TRUE(metainfo.open(QIODevice::ReadOnly));
    const QString metainfoText = QString::fromUtf8(metainfo.readAll());
    for (const char* element : {"<id>" SONVALE_APP_ID "</id>",
                                "<launchable type=\"desktop-id\">" SONVALE_APP_ID ".desktop</launchable>",
                                "<release version=\"" SONVALE_VERSION "\""})
        EXPECT_TRUE(metainfoText.contains(QString::fromLatin1(element))) << element;

    for (int size : {48, 128, 256}) {
        const QImage icon(prefix.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/sonvale-data-manager.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        EXPECT_TRUE(icon.hasAlphaChannel()) << size;
    }
}

TEST_F(InstallTest, ManualPagesListEveryCommandOptionExitCodeAndFaultMode)
{
    ASSERT_TRUE(s_bInstalled) << s_installLog.toStdString();
    const QDir man1(s_prefix->path() + QStringLiteral("/share/man/man1"));
    QMap<QString, QString> pages;
    for (const QString& program : kPrograms) {
        pages[program] = RenderedManualPage(man1.filePath(program + QStringLiteral(".1.gz")));
        ASSERT_FALSE(pages[program].isEmpty()) << program.toStdString();
        EXPECT_TRUE(pages[program].contains(QStringLiteral("NAME\n       ") + program)) << pages[program].toStdString();
    }

    const QString cliUsage = QString::fromLatin1(CCliApp::UsageText());
    const QString& cli = pages[QStringLiteral("sonvale-cli")];
    for (const QString& line : SectionOf(cliUsage, QStringLiteral("Commands:"))) {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        EXPECT_TRUE(HasEntry(cli, command)) << "command " << command.toStdString();
    }
    for (const QString& option : OptionsOf(cliUsage))
        EXPECT_TRUE(cli.contains(option)) << "option " << option.toStdString();
    const QStringList exitCodes = SectionOf(cliUsage, QStringLiteral("Exit codes:"));
    EXPECT_GE(exitCodes.size(), 7);
    for (const QString& line : exitCodes) {
        const QString code = line.section(QLatin1Char(' '), 0, 0);
        EXPECT_TRUE(HasEntry(cli, code)) << "exit code " << code.toStdString();
    }

    const QString& emulator = pages[QStringLiteral("ostra-emulator")];
    for (const QString& option : OptionsOf(QString::fromStdString(COstraOptions::Usage())))
        EXPECT_TRUE(emulator.contains(option)) << "option " << option.toStdString();
    for (int fault = 0; std::string(COstraOptions::FaultName(static_cast<OstraFault>(fault))) != "?"; ++fault) {
        const QString mode = QString::fromLatin1(COstraOptions::FaultName(static_cast<OstraFault>(fault)));
        EXPECT_TRUE(HasEntry(emulator, mode)) << "fault mode " << mode.toStdString();
    }

    const QString& program = pages[QStringLiteral("sonvale-data-manager")];
    for (const char* part : {"DESCRIPTION", "FILES", "ENVIRONMENT", "SIGNALS", "sonvale-data-manager.ini",
                             "XDG_CONFIG_HOME", "JACK_DEFAULT_SERVER", "SIGTERM"})
        EXPECT_TRUE(program.contains(QString::fromLatin1(part))) << part;
}

TEST_F(InstallTest, InstalledCliFindsTheInstalledDriverModule)
{
    ASSERT_TRUE(s_bInstalled) << s_installLog.toStdString();
    if (QFile::exists(QStringLiteral(SONVALE_INSTALL_PREFIX "/") + kDriverSubPath))
        GTEST_SKIP() << "SKIPPED: a driver module is installed system-wide in " SONVALE_INSTALL_PREFIX
                        ", so a missing one in the prefix would go unnoticed";

    // No console: the driver loads and lists nothing -- "no connection", not "no driver".
    ProcessResult empty = CliDevices(s_prefix->path(), false);
    if (!m_skipReason.empty())
        JACK_UNAVAILABLE() << "no private JACK server (" << m_skipReason << ")";
    EXPECT_EQ(empty.exitCode, 4) << empty.err.toStdString();
    EXPECT_TRUE(empty.out.contains(QStringLiteral("No devices on the network."))) << empty.out.toStdString();
    EXPECT_FALSE(empty.err.contains(QStringLiteral("no Vorn driver module"))) << empty.err.toStdString();

    // The emulated console: its "Tarn" pair is used.
    ProcessResult console = CliDevices(s_prefix->path(), true);
    EXPECT_EQ(console.exitCode, 0) << console.err.toStdString();
    EXPECT_TRUE(console.out.contains(QStringLiteral("Ostra"))) << console.out.toStdString();
    EXPECT_TRUE(console.out.contains(QStringLiteral("type Tarn  used"))) << console.out.toStdString();

    // The same programs without the module: the driver is reported missing.
    QTemporaryDir bare;
    const QString bin = bare.path() + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QFile::copy(s_prefix->path() + QStringLiteral("/bin/sonvale-cli"), bin + QStringLiteral("/sonvale-cli")));
    ProcessResult missing = CliDevices(bare.path(), true);
    EXPECT_EQ(missing.exitCode, 4);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("no Vorn driver module"))) << missing.err.toStdString();
}

TEST_F(InstallTest, DebianPackageHoldsEveryFileAndRunsFromItsContents)
{
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    if (dpkgDeb.isEmpty())
        GTEST_SKIP() << "SKIPPED: dpkg-deb is not installed";
    QTemporaryDir work;
    const ProcessResult pack = Execute(QStringLiteral(SONVALE_CPACK),
                             {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), work.path(),
                              QStringLiteral("--config"), QStringLiteral(SONVALE_BUILD_DIR "/CPackConfig.cmake")});
    ASSERT_EQ(pack.exitCode, 0) << pack.out.toStdString() << pack.err.toStdString();
    const QStringList debs = QDir(work.path()).entryList({QStringLiteral("*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << pack.out.toStdString();
    const QString deb = QDir(work.path()).filePath(debs.first());

    const ProcessResult contents = Execute(dpkgDeb, {QStringLiteral("-c"), deb});
    ASSERT_EQ(contents.exitCode, 0) << contents.err.toStdString();
    // In the package, the library folder is the plain one under /usr.
    for (QString file : ExpectedFiles()) {
        file.replace(QStringLiteral(SONVALE_LIBDIR "/"), QStringLiteral("lib/"));
        EXPECT_TRUE(contents.out.contains(QStringLiteral(" ./usr/") + file + QLatin1Char('\n')))
            << file.toStdString() << "\n" << contents.out.toStdString();
    }
    EXPECT_FALSE(contents.out.contains(QStringLiteral("./usr/local"))) << contents.out.toStdString();

    const ProcessResult fields = Execute(dpkgDeb, {QStringLiteral("-f"), deb, QStringLiteral("Package"),
                                         QStringLiteral("Architecture"), QStringLiteral("Depends"),
                                         QStringLiteral("Maintainer")});
    EXPECT_TRUE(fields.out.contains(QStringLiteral("Package: sonvale-data-manager"))) << fields.out.toStdString();
    EXPECT_TRUE(fields.out.contains(QStringLiteral("Maintainer: " SONVALE_PACKAGE_MAINTAINER "\n"))) << fields.out.toStdString();
    for (const char* library : {"libqt6widgets6", "libjack"})
        EXPECT_TRUE(fields.out.contains(QString::fromLatin1(library))) << library << "\n" << fields.out.toStdString();

    // The description: the summary, then continuation lines that each begin with a blank, a lone "."
    // between paragraphs, and no list separators of CMake's.
    const QString description = Execute(dpkgDeb, {QStringLiteral("-f"), deb, QStringLiteral("Description")}).out;
    const QStringList lines = description.trimmed().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 3) << description.toStdString();
    EXPECT_EQ(lines.first(), QStringLiteral("Compressor preset manager for Sonvale-equipped consoles"));
    for (const QString& line : lines.mid(1))
        EXPECT_TRUE(line.startsWith(QLatin1Char(' ')) && line.size() > 1 && line.size() <= 80) << line.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral(" ."))) << description.toStdString();
    EXPECT_FALSE(description.contains(QLatin1Char(';'))) << description.toStdString();

    // Unpacked anywhere, the packaged command-line program finds the packaged driver module.
    const QString root = work.path() + QStringLiteral("/root");
    ASSERT_EQ(Execute(dpkgDeb, {QStringLiteral("-x"), deb, root}).exitCode, 0);

    // Stripped binaries; the documentation folder with a machine-readable copyright file.
    QStringList binaries = {QStringLiteral("/usr/lib/sonvale-data-manager/drivers/vorn-jack.so")};
    for (const QString& program : kPrograms)
        binaries.append(QStringLiteral("/usr/bin/") + program);
    for (const QString& binary : binaries) {
        QString sections;
        EXPECT_FALSE(NotStripped(root + binary, sections)) << binary.toStdString() << "\n" << sections.toStdString();
    }
    QFile copyright(root + QStringLiteral("/usr/share/doc/sonvale-data-manager/copyright"));
    ASSERT_TRUE(copyright.open(QIODevice::ReadOnly));
    const QString copyrightText = QString::fromUtf8(copyright.readAll());
    EXPECT_TRUE(copyrightText.startsWith(QStringLiteral("Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n")));
    for (const char* field : {"\nFiles: *\n", "\nLicense: ", "All rights reserved."})
        EXPECT_TRUE(copyrightText.contains(QString::fromLatin1(field))) << field;
    // A copyright notice names its year.
    EXPECT_TRUE(copyrightText.contains(QRegularExpression(QStringLiteral("\nCopyright: \\d{4} Corvane\n"))))
        << copyrightText.toStdString();
    // The changelog's latest entry is the packed version's.
    QProcess changelog;
    changelog.start(QStringLiteral("gzip"), {QStringLiteral("-dc"), root + QStringLiteral("/usr/share/doc/sonvale-data-manager/changelog.gz")});
    ASSERT_TRUE(changelog.waitForFinished(30000));
    EXPECT_TRUE(changelog.readAllStandardOutput().startsWith("sonvale-data-manager (" SONVALE_VERSION ") "));
    for (const QString& program : kPrograms)
        EXPECT_FALSE(RenderedManualPage(root + QStringLiteral("/usr/share/man/man1/") + program + QStringLiteral(".1.gz")).isEmpty())
            << program.toStdString();
    ProcessResult console = CliDevices(root + QStringLiteral("/usr"), true);
    if (!m_skipReason.empty())
        JACK_UNAVAILABLE() << "no private JACK server (" << m_skipReason << ")";
    EXPECT_EQ(console.exitCode, 0) << console.err.toStdString();
    EXPECT_TRUE(console.out.contains(QStringLiteral("type Tarn  used"))) << console.out.toStdString();
}

} // namespace
