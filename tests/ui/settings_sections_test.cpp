// The settings sections: receivers, vehicle import, actions, status colours, HTML
// export with its upload and dial-up dialog, TCP export, window messages and the
// decoding switches; every edit marks the settings unsaved and "speichern" takes the
// controls over into "Mon.ini", byte for byte.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTcpServer>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "storage/settings.h"
#include "storage/text_file.h"
#include "ui/dial_up_dialog.h"
#include "ui/main_window.h"
#include "ui/settings_actions.h"
#include "ui/settings_colours.h"
#include "ui/settings_html.h"
#include "ui/settings_import.h"
#include "ui/settings_messages.h"
#include "ui/settings_capture_start.h"
#include "ui/settings_quality.h"
#include "ui/settings_receivers.h"
#include "ui/settings_tab.h"
#include "ui/settings_tcp.h"
#include "ui/settings_web.h"
#include "platform/web_view_server.h"
#include "storage/web_settings.h"
#include "ui/status_board.h"
#include "ui/tile_widget.h"
#include "support/line_server.h"
#include "ui_test_support.h"
#include "window_fixture.h"

namespace kub::test {
namespace {

class ActionsSection : public WindowTest {};
class DecoderQuality : public WindowTest {};
class HtmlExportSection : public WindowTest {};
class ReceiversSection : public WindowTest {};
class SaveSettings : public WindowTest {};
class StatusColoursSection : public WindowTest {};
class TcpExportSection : public WindowTest {};
class VehicleImportSection : public WindowTest {};
class WebViewSection : public WindowTest {};
class WindowMessageSection : public WindowTest {};

using ui::MainWindow;

void clickIndicator(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(6, w->height() / 2)); }

void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }

// A small I-R-F-BOS file: three call names and two five-tone numbers, with sections we
// ignore around them.
std::string writeBosFile(const ProgramFolder& f, const std::string& name) {
    f.write(name, {"[OrganisationenKurz]", "FW,Feuerwehr", "[Rufnamen]", "6 2 3B 11 22   Florian Nord 1",
                   "6 2 3B 11 23   Florian Nord 2", "kurz", "6 2 3B 11 24   Florian Süd", "[Selektiv]",
                   "12-345 Wehr Nord", "23-456 Wehr Süd", "kurz12", "[Heimatfahrzeuge]", "6 2 3B 99 99   nicht"});
    return f.path() + "/" + name;
}

TEST_F(ReceiversSection, NewChangeDeleteFollowTheirRulesAndZveiTxtFollowsEveryEdit) {
    MainWindow& w = open();
    ui::ReceiversSection* r = w.receiversSection();
    QTableWidget* grid = r->grid();
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), "Nr");
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), "Name");
    EXPECT_TRUE(grid->isColumnHidden(2));

    // Six characters: nothing added, no further question, no file.
    dialogs.inputs = {"123456"};
    click(r->newButton());
    EXPECT_EQ(dialogs.asked("input"), QStringList{"5-stellige ZVEI-Nummer oder 7-stellige RIC:"});
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_FALSE(folder.exists("ZVEI.txt"));

    // Five characters, a name, a colour: one row in that colour.
    dialogs.inputs = {"12345", QString::fromUtf8("Wehr Süd")};
    dialogs.colours = {QColor(255, 0, 0)};
    click(r->newButton());
    EXPECT_EQ(dialogs.prompts.back().kind, "colour");
    EXPECT_EQ(dialogs.prompts.back().preset, "#e0e0e0");  // pre-set light grey
    // Seven characters, the chooser cancelled: light grey.
    dialogs.inputs = {"1234567", "Zugführer"};
    click(r->newButton());
    // An empty name ends the dialog without a colour.
    dialogs.inputs = {"54321", ""};
    click(r->newButton());
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->item(0, 0)->background().color(), QColor(255, 0, 0));
    EXPECT_EQ(grid->item(1, 0)->background().color(), QColor(224, 224, 224));
    EXPECT_TRUE(sameBytes(folder.bytes("ZVEI.txt"), fileBytes({"12345\tWehr Süd\t255", "1234567\tZugführer\t14737632"})));
    EXPECT_EQ(w.core().context.receivers.display("12345").colour, 255u);

    // "ändern" without a selected row asks nothing; with one it asks with the row's
    // values pre-filled under the title "Ändern".
    grid->setCurrentCell(-1, -1);
    dialogs.prompts.clear();
    click(r->changeButton());
    EXPECT_TRUE(dialogs.prompts.empty());
    grid->selectRow(0);
    dialogs.inputs = {"12346", "Wehr Mitte"};
    dialogs.colours = {QColor(0, 0, 255)};
    click(r->changeButton());
    ASSERT_EQ(dialogs.prompts.size(), 3u);
    EXPECT_EQ(dialogs.prompts[0].text, "5- bzw 7-stellige Numer:");
    EXPECT_EQ(dialogs.prompts[0].title, QString::fromUtf8("Ändern"));
    EXPECT_EQ(dialogs.prompts[0].preset, "12345");
    EXPECT_EQ(dialogs.prompts[1].text, QString::fromUtf8("Name des Trägers:"));
    EXPECT_EQ(dialogs.prompts[1].preset, QString::fromUtf8("Wehr Süd"));
    EXPECT_EQ(dialogs.prompts[2].preset, "#ff0000");  // the row's colour
    EXPECT_TRUE(sameBytes(folder.bytes("ZVEI.txt"), fileBytes({"12346\tWehr Mitte\t16711680", "1234567\tZugführer\t14737632"})));

    // "löschen": "Nein" keeps the row, "Ja" removes it; the last one takes the file along.
    grid->selectRow(1);
    dialogs.answers = {false};
    click(r->removeButton());
    EXPECT_EQ(dialogs.asked("question").back(), QString::fromUtf8("Eintrag <1234567> löschen ?"));
    EXPECT_EQ(grid->rowCount(), 2);
    dialogs.answers = {true, true};
    click(r->removeButton());
    grid->selectRow(0);
    click(r->removeButton());
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_FALSE(folder.exists("ZVEI.txt"));
    EXPECT_EQ(w.core().context.receivers.receiverCount(), 0);
}

TEST_F(ReceiversSection, ImportTakesFiveToneNumbersFromABosFileOnly) {
    folder.write("ZVEI.txt", {"99999\tschon da\t255"});
    const std::string bos = writeBosFile(folder, "daten.bos");
    folder.write("daten.txt", {"[Selektiv]", "12-345 Wehr Nord"});
    MainWindow& w = open();
    ui::ReceiversSection* r = w.receiversSection();
    ASSERT_EQ(r->grid()->rowCount(), 1);

    dialogs.files = {QString::fromStdString(folder.path() + "/daten.txt")};  // no ".BOS": nothing
    click(r->importButton());
    EXPECT_EQ(dialogs.asked("file"), QStringList{"BOS-Datei selektieren!"});
    EXPECT_EQ(r->grid()->rowCount(), 1);

    dialogs.files = {QString::fromStdString(bos)};
    click(r->importButton());
    ASSERT_EQ(r->grid()->rowCount(), 3);
    EXPECT_EQ(r->grid()->item(2, 1)->text(), QString::fromUtf8("Wehr Süd"));
    EXPECT_EQ(r->grid()->item(1, 0)->background().color(), QColor(224, 224, 224));  // no colour
    EXPECT_TRUE(sameBytes(folder.bytes("ZVEI.txt"),
              fileBytes({"99999\tschon da\t255", "12345\tWehr Nord\t0", "23456\tWehr Süd\t0"})));
}

TEST_F(VehicleImportSection, ReplacesOrAppendsSavesAlwaysAndTheLinkOpensTheBrowser) {
    std::vector<std::string> fzg(1500, "\t\t");
    fzg[0] = "Alt 0\t\t";
    fzg[1] = "Alt 1\t\t";
    fzg[3] = "Alt 3\tInfo\t623B0003";
    folder.write("Fzg.txt", fzg);
    Settings s = defaultSettings();
    s.layout = BoardLayout::Columns5Rows10;
    ASSERT_TRUE(saveSettings(folder.path(), s));
    const std::string bos = writeBosFile(folder, "Daten.BOS");
    MainWindow& w = open();
    ui::VehicleImportSection* imp = w.importSection();

    // Cancelled chooser: nothing imported, "Fzg.txt" written all the same.
    std::filesystem::remove(std::filesystem::path(folder.path()) / "Fzg.txt");
    click(imp->loadButton());
    EXPECT_EQ(dialogs.asked("file"), QStringList{"BOS-Datei selektieren!"});
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(fzg)));

    // Replace: slots 0..2 from the file, slot 3 as it was.
    dialogs.files = {QString::fromStdString(bos)};
    click(imp->loadButton());
    auto expected = fzg;
    expected[0] = "Florian Nord 1\tFlorian Nord 1\t623B1122";
    expected[1] = "Florian Nord 2\tFlorian Nord 2\t623B1123";
    expected[2] = "Florian Süd\tFlorian Süd\t623B1124";
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(expected)));
    EXPECT_EQ(w.board()->tile(2)->caption(), QString::fromUtf8("Florian Süd"));

    // Append (the box as ticked, before saving): after the last named slot 3.
    clickIndicator(imp->appendBox());
    EXPECT_TRUE(w.settingsTab()->unsaved());
    dialogs.files = {QString::fromStdString(bos)};
    click(imp->loadButton());
    expected[4] = expected[0];
    expected[5] = expected[1];
    expected[6] = expected[2];
    EXPECT_TRUE(sameBytes(folder.bytes("Fzg.txt"), fileBytes(expected)));
    EXPECT_EQ(w.core().context.vehicles.lastNamedSlot, 6);

    QTest::mouseClick(imp->link(), Qt::LeftButton);
    ASSERT_EQ(dialogs.urls.size(), 1u);
    EXPECT_EQ(dialogs.urls[0].toString(), QString::fromLatin1(ui::kBosFilesAddress));
}

TEST_F(ActionsSection, ChooserTakesAProgramAndACancelKeepsTheOldOne) {
    Settings s = defaultSettings();
    s.actionProgram = "/usr/local/bin/alarm";
    ASSERT_TRUE(saveSettings(folder.path(), s));
    MainWindow& w = open();
    ui::ActionsSection* a = w.actionsSection();
    EXPECT_EQ(a->programBox()->text(), "/usr/local/bin/alarm");

    // Cancel: the path stays and nothing is marked; a save keeps the program.
    click(a->searchButton());
    EXPECT_EQ(dialogs.asked("file"), QStringList{QString::fromUtf8("Ausführbare Datei auswählen")});
    EXPECT_EQ(a->programBox()->text(), "/usr/local/bin/alarm");
    EXPECT_FALSE(w.settingsTab()->unsaved());
    // The same program again: no change, no mark.
    dialogs.files = {"/usr/local/bin/alarm"};
    click(a->searchButton());
    EXPECT_FALSE(w.settingsTab()->unsaved());

    dialogs.files = {"/opt/leitstelle/melden"};
    click(a->searchButton());
    EXPECT_EQ(a->programBox()->text(), "/opt/leitstelle/melden");
    EXPECT_TRUE(w.settingsTab()->unsaved());
    click(w.settingsTab()->saveButton());
    EXPECT_FALSE(w.settingsTab()->unsaved());
    EXPECT_EQ(loadSettings(folder.path()).actionProgram, "/opt/leitstelle/melden");
    EXPECT_EQ(w.core().context.actionProgram, "/opt/leitstelle/melden");

    // A key typed into the box marks the settings unsaved.
    a->programBox()->setFocus();
    QTest::keyClick(a->programBox(), Qt::Key_X);
    EXPECT_TRUE(w.settingsTab()->unsaved());
}

TEST_F(StatusColoursSection, FieldsTakeChosenColoursAndTheBoardFollowsOnlyAfterSaving) {
    std::vector<std::string> fzg(6000, "\t\t");
    fzg[0] = "HLF\t\t623B0001";
    folder.write("Fzg.txt", fzg);
    folder.write("Status/0.txt", {"3\t0\t07.12. 09:00"});
    MainWindow& w = open();
    ui::StatusColoursSection* c = w.coloursSection();
    EXPECT_EQ(c->field(2)->value(), 12632319);  // default light red

    // Cancel: nothing changes, but the settings count as edited.
    QTest::mouseClick(c->field(2), Qt::LeftButton);
    EXPECT_EQ(dialogs.prompts.back().preset, "#ffc0c0");
    EXPECT_EQ(c->field(2)->value(), 12632319);
    EXPECT_TRUE(w.settingsTab()->unsaved());

    dialogs.colours = {QColor(0x10, 0x20, 0x30)};
    QTest::mouseClick(c->field(2), Qt::LeftButton);
    EXPECT_EQ(c->field(2)->value(), 0x302010);
    EXPECT_EQ(c->field(2)->palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(w.board()->tile(0)->look().fill, QColor(255, 192, 192));  // not yet
    click(w.settingsTab()->saveButton());
    EXPECT_EQ(w.board()->tile(0)->look().fill, QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(loadSettings(folder.path()).statusColours[2], 0x302010);
    // Status 6 keeps its system colour through the save.
    EXPECT_EQ(loadSettings(folder.path()).statusColours[5], kButtonFaceColour);
}

TEST_F(HtmlExportSection, PageButtonWritesTheFileAndUploadReportsInList5) {
    MainWindow& w = open();
    ui::HtmlExportSection* h = w.htmlSection();
    EXPECT_TRUE(h->connectionOption(0)->isChecked());

    click(h->writePageButton());
    EXPECT_TRUE(folder.exists("status.html"));
    EXPECT_NE(folder.bytes("status.html").find("<title>KUB-Monitor Web-Statusanzeige</title>"), std::string::npos);

    // The upload uses the saved settings: without a host name it says so in List5.
    click(h->uploadButton());
    ASSERT_EQ(h->progressList()->count(), 1);
    EXPECT_TRUE(h->progressList()->item(0)->text().endsWith(
        QString::fromUtf8("Datei nicht übertragen-> kein Hostname angegeben")));
    EXPECT_TRUE(h->progressList()->item(0)->text().startsWith("10:30:00 "));

    // Every control marks the settings unsaved and is saved to its line.
    h->serverField(0)->setFocus();
    QTest::keyClicks(h->serverField(0), "www.example.org");
    EXPECT_TRUE(w.settingsTab()->unsaved());
    QTest::keyClicks(h->serverField(1), "kub");
    QTest::keyClicks(h->serverField(2), "geheim");
    QTest::keyClicks(h->serverField(3), "status");
    clickIndicator(h->connectionOption(1));
    clickIndicator(h->autoPageBox());
    click(w.settingsTab()->saveButton());
    const Settings s = loadSettings(folder.path());
    EXPECT_EQ(s.ftpHost, "www.example.org");
    EXPECT_EQ(s.ftpLogin, "kub");
    EXPECT_EQ(s.ftpPassword, "geheim");
    EXPECT_EQ(s.ftpFolder, "status");
    EXPECT_EQ(s.dialUp, 1);
    EXPECT_EQ(s.htmlExport, 1);
}

// A stand-in for NetworkManager's nmcli, first on PATH while it lives: two dial-up
// profiles besides the LAN; "DSL" comes up when dialled. Every call is logged.
class FakeNmcliOnPath {
public:
    FakeNmcliOnPath(const ProgramFolder& f, const std::string& profiles) : dir_(f.path() + "/bin") {
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ + "/nmcli") << "#!/bin/sh\n"
                                          "echo \"$*\" >> '" << dir_ << "/nmcli.log'\n"
                                          "case \"$*\" in\n"
                                          "  *'connection show --active'*)\n"
                                          "    echo 'LAN:802-3-ethernet:activated'\n"
                                          "    [ -f '" << dir_ << "/up' ] && cat '" << dir_ << "/up'\n"
                                          "    exit 0 ;;\n"
                                          "  *'connection show'*) printf '%s' '" << profiles << "'; exit 0 ;;\n"
                                          "  *'connection up id DSL'*) echo 'DSL:pppoe:activated' > '" << dir_ << "/up'; exit 0 ;;\n"
                                          "  *'connection up id'*) exit 4 ;;\n"
                                          "  *'connection down id'*) rm -f '" << dir_ << "/up'; exit 0 ;;\n"
                                          "esac\n"
                                          "exit 2\n";
        std::filesystem::permissions(dir_ + "/nmcli", std::filesystem::perms::owner_all);
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", QByteArray::fromStdString(dir_) + ":" + oldPath_);
    }
    ~FakeNmcliOnPath() { qputenv("PATH", oldPath_); }
    std::string log() const {
        std::ifstream in(dir_ + "/nmcli.log");
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

private:
    std::string dir_;
    QByteArray oldPath_;
};

TEST_F(HtmlExportSection, UploadOverDialUpShowsTheProfilesDialsAndHangsUpAgain) {
    FakeNmcliOnPath nmcli(folder, "LAN:802-3-ethernet\nDSL:pppoe\nModem:gsm\n");
    Settings s = defaultSettings();
    s.dialUp = 1;  // no host name: the check after dialling ends the upload at once
    ASSERT_TRUE(saveSettings(folder.path(), s));
    MainWindow& w = open();
    ui::HtmlExportSection* h = w.htmlSection();
    EXPECT_TRUE(h->connectionOption(1)->isChecked());

    QStringList shown;
    dialogs.onDialog = [&](QDialog& d) {
        auto* du = dynamic_cast<ui::DialUpDialog*>(&d);
        EXPECT_NE(du, nullptr);
        if (!du) return 0;
        for (int i = 0; i < du->entries()->count(); ++i) shown << du->entries()->item(i)->text();
        du->entries()->setCurrentRow(0);  // "DSL"
        click(du->connectButton());
        return d.result();
    };
    click(h->uploadButton());
    EXPECT_EQ(shown, (QStringList{"DSL", "Modem"}));
    ASSERT_EQ(h->progressList()->count(), 1);
    EXPECT_TRUE(h->progressList()->item(0)->text().endsWith(
        QString::fromUtf8("Datei nicht übertragen-> kein Hostname angegeben")));
    const std::string log = nmcli.log();
    EXPECT_NE(log.find("connection up id DSL"), std::string::npos) << log;
    EXPECT_NE(log.find("connection down id DSL"), std::string::npos) << log;

    // Closed without dialling: nothing is dialled, the failure is said.
    dialogs.onDialog = [&](QDialog& d) {
        click(dynamic_cast<ui::DialUpDialog*>(&d)->closeButton());
        return d.result();
    };
    dialogs.messages.clear();
    click(h->uploadButton());
    EXPECT_TRUE(dialogs.saw(QString::fromUtf8("DFÜ-Verbindung konnte nicht hergestellt werden!")));
    EXPECT_EQ(h->progressList()->count(), 1);
}

TEST(DialUpDialog, ListsTheProfilesDialsTheChosenOneOrClosesWithout) {
    RecordingDialogs dialogs;
    ui::DialUpDialog d({"Modem", "UMTS-Stick"}, nullptr);
    EXPECT_EQ(d.windowTitle(), QString::fromUtf8("Upload zum Web-Server - Einwählen"));
    EXPECT_EQ(d.entries()->count(), 2);
    EXPECT_EQ(d.entries()->currentRow(), 0);
    d.entries()->setCurrentRow(1);
    click(d.connectButton());
    EXPECT_EQ(d.chosenEntry(), 1);

    ui::DialUpDialog none({}, nullptr);
    EXPECT_FALSE(none.connectButton()->isEnabled());

    // Through the service: "verbinden" on the first entry, or the closing button.
    dialogs.onDialog = [](QDialog& dialog) {
        auto* du = dynamic_cast<ui::DialUpDialog*>(&dialog);
        click(du->connectButton());
        return dialog.result();
    };
    EXPECT_EQ(ui::chooseDialUpEntry({"Modem"}, nullptr), 0);
    dialogs.onDialog = [](QDialog& dialog) {
        click(dynamic_cast<ui::DialUpDialog*>(&dialog)->closeButton());
        return dialog.result();
    };
    EXPECT_EQ(ui::chooseDialUpEntry({"Modem"}, nullptr), -1);
}

TEST_F(TcpExportSection, PortIsLimitedTheLampFollowsTheConnectionAndTheValuesAreSaved) {
    QTcpServer server;
    ASSERT_TRUE(kubtest::listenOnUserPort(server));
    MainWindow& w = open();
    ui::TcpExportSection* t = w.tcpSection();

    t->portBox()->setFocus();
    t->portBox()->selectAll();
    QTest::keyClicks(t->portBox(), "40000");
    EXPECT_EQ(t->portBox()->text(), "31000");
    EXPECT_TRUE(w.settingsTab()->unsaved());
    t->portBox()->selectAll();
    QTest::keyClicks(t->portBox(), QString::number(server.serverPort()));
    t->serverBox()->setFocus();
    QTest::keyClicks(t->serverBox(), "127.0.0.1");
    clickIndicator(t->exportBox());
    click(w.settingsTab()->saveButton());

    const Settings s = loadSettings(folder.path());
    EXPECT_EQ(s.tcpExport, 1);
    EXPECT_EQ(s.tcpServer, "127.0.0.1");
    EXPECT_EQ(s.tcpPort, static_cast<std::int16_t>(server.serverPort()));
    // The watchdog colours the lamp green once connected and shows state 7.
    QDeadlineTimer deadline(4000);
    while (t->stateLabel()->text() != "7" && !deadline.hasExpired()) QTest::qWait(50);
    EXPECT_EQ(t->stateLabel()->text(), "7");
    EXPECT_EQ(t->lamp()->palette().color(QPalette::Window), QColor(0, 255, 0));
    w.close();
}

TEST_F(TcpExportSection, ASaveReconnectsOnlyWhenServerPortOrSwitchChanged) {
    QTcpServer first, second;
    ASSERT_TRUE(kubtest::listenOnUserPort(first) && kubtest::listenOnUserPort(second));
    int toFirst = 0, toSecond = 0;
    QObject::connect(&first, &QTcpServer::newConnection, [&] { while (first.nextPendingConnection()) ++toFirst; });
    QObject::connect(&second, &QTcpServer::newConnection, [&] { while (second.nextPendingConnection()) ++toSecond; });
    Settings s = defaultSettings();
    s.tcpExport = 1;
    s.tcpServer = "127.0.0.1";
    s.tcpPort = static_cast<std::int16_t>(first.serverPort());
    ASSERT_TRUE(saveSettings(folder.path(), s));
    MainWindow& w = open();
    QDeadlineTimer deadline(4000);
    while (toFirst < 1 && !deadline.hasExpired()) QTest::qWait(20);
    ASSERT_EQ(toFirst, 1);

    // Another title for the message export, then a save without any change: saved, and
    // the connection stays.
    w.messageSection()->titleBox()->setText(QStringLiteral("Einsatzmonitor"));
    click(w.settingsTab()->saveButton());
    click(w.settingsTab()->saveButton());
    // Two ticks of the export's watchdog would have reconnected a dropped connection.
    int ticks = 0;
    auto shown = w.exports().onWatchdogTick;
    w.exports().onWatchdogTick = [&ticks, shown](const WatchdogTick& tick) {
        ++ticks;
        if (shown) shown(tick);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 10000));
    EXPECT_EQ(toFirst, 1);
    EXPECT_EQ(loadSettings(folder.path()).windowTitle, "Einsatzmonitor");

    // Another port: a new connection there.
    ui::TcpExportSection* t = w.tcpSection();
    t->portBox()->setText(QString::number(second.serverPort()));
    click(w.settingsTab()->saveButton());
    deadline = QDeadlineTimer(4000);
    while (toSecond < 1 && !deadline.hasExpired()) QTest::qWait(20);
    EXPECT_EQ(toSecond, 1);
    EXPECT_EQ(toFirst, 1);
    w.close();
}

TEST_F(WindowMessageSection, TitleAndSwitchAreMarkedAndSaved) {
    MainWindow& w = open();
    ui::WindowMessageSection* m = w.messageSection();
    m->titleBox()->setFocus();
    QTest::keyClicks(m->titleBox(), "Einsatzleitrechner");
    EXPECT_TRUE(w.settingsTab()->unsaved());
    clickIndicator(m->exportBox());
    click(w.settingsTab()->saveButton());
    const Settings s = loadSettings(folder.path());
    EXPECT_EQ(s.windowTitle, "Einsatzleitrechner");
    EXPECT_EQ(s.windowMessageExport, 1);
    EXPECT_TRUE(w.core().context.windowMessageExportOn);
}

TEST_F(WebViewSection, OffByDefaultRunsOnLoopbackAndRefusesOtherAddressesWithoutKey) {
    MainWindow& w = open();
    ui::WebViewSection* web = w.webSection();
    EXPECT_EQ(w.webView(), nullptr);
    EXPECT_EQ(web->stateLabel()->text(), "Web-Ansicht aus.");

    // The user types a port that was free a moment ago; should another process take it
    // before the save, the next one is typed.
    quint16 port = 0;
    for (int tries = 0; tries < 20 && !(w.webView() && w.webView()->listening()); ++tries) {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
        probe.close();
        web->portBox()->setFocus();
        web->portBox()->selectAll();
        QTest::keyClicks(web->portBox(), QString::number(port));
        EXPECT_TRUE(w.settingsTab()->unsaved());
        click(w.settingsTab()->saveButton());
    }
    ASSERT_NE(w.webView(), nullptr);
    EXPECT_TRUE(w.webView()->listening());
    EXPECT_EQ(web->stateLabel()->text(), QStringLiteral("Web-Ansicht läuft: http://127.0.0.1:%1/").arg(port));
    EXPECT_EQ(loadWebSettings(folder.path()), (WebSettings{"127.0.0.1", port, ""}));

    web->addressBox()->setFocus();
    web->addressBox()->selectAll();
    QTest::keyClicks(web->addressBox(), "0.0.0.0");
    click(w.settingsTab()->saveButton());
    EXPECT_EQ(w.webView(), nullptr);
    EXPECT_TRUE(web->stateLabel()->text().contains(QStringLiteral("nur mit Zugangsschlüssel")))
        << web->stateLabel()->text().toStdString();
    EXPECT_EQ(web->stateLabel()->palette().color(QPalette::WindowText), QColor(Qt::red));
    w.close();
}

TEST_F(DecoderQuality, SwitchesShowTheFileMarkUnsavedAndReachTheRunningDecoders) {
    // A file of the classic 30 lines: all four improvements on.
    Settings classic = defaultSettings();
    ASSERT_TRUE(saveSettings(folder.path(), classic));
    auto lines = folder.read("Mon.ini");
    lines.resize(30);
    folder.write("Mon.ini", lines);
    MainWindow& w = open();
    ui::DecoderQualitySection* q = w.settingsTab()->decoderQuality();
    EXPECT_EQ(q->option(0)->text(), "Eingangsfilter");
    EXPECT_EQ(q->option(1)->text(), "POCSAG-Fehlerkorrektur");
    EXPECT_EQ(q->option(2)->text(), QString::fromUtf8("FMS-Prüfbits prüfen"));
    EXPECT_EQ(q->option(3)->text(), "POCSAG-Sendungsende erst nach Batch");
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(q->option(i)->isChecked());
    EXPECT_TRUE(w.core().context.options.pocsagErrorCorrection);

    clickIndicator(q->option(1));
    EXPECT_TRUE(w.settingsTab()->unsaved());
    clickIndicator(q->option(2));
    click(w.settingsTab()->saveButton());
    EXPECT_FALSE(w.core().context.options.pocsagErrorCorrection);
    EXPECT_FALSE(w.core().context.options.fmsCheckBits);
    EXPECT_TRUE(w.core().context.options.inputFilter);
    EXPECT_TRUE(w.core().context.options.pocsagBatchAwareEnd);
    const auto saved = folder.read("Mon.ini");
    ASSERT_EQ(saved.size(), 35u);
    EXPECT_EQ(saved[30], " 1 ");
    EXPECT_EQ(saved[31], " 0 ");
    EXPECT_EQ(saved[32], " 0 ");
    EXPECT_EQ(saved[33], " 1 ");
    EXPECT_EQ(saved[34], " 0 ");  // an older file keeps capture waiting for "Start"
}

TEST_F(SaveSettings, EveryControlReachesItsLineOfMonIni) {
    MainWindow& w = open();
    ui::SettingsTab* tab = w.settingsTab();

    clickIndicator(w.importSection()->appendBox());
    dialogs.files = {"/opt/kub/aktion"};
    click(w.actionsSection()->searchButton());
    w.htmlSection()->serverField(0)->setFocus();
    QTest::keyClicks(w.htmlSection()->serverField(0), "ftp.example.org");
    QTest::keyClicks(w.htmlSection()->serverField(1), "leitstelle");
    QTest::keyClicks(w.htmlSection()->serverField(2), "pa55");
    QTest::keyClicks(w.htmlSection()->serverField(3), "kub");
    clickIndicator(w.htmlSection()->autoPageBox());
    w.tcpSection()->serverBox()->setFocus();
    QTest::keyClicks(w.tcpSection()->serverBox(), "leitrechner");
    w.tcpSection()->portBox()->selectAll();
    QTest::keyClicks(w.tcpSection()->portBox(), "9000");
    w.messageSection()->titleBox()->setFocus();
    QTest::keyClicks(w.messageSection()->titleBox(), "Einsatz");
    w.messageSection()->titleBox()->insert(QString::fromUtf8("übersicht"));  // keys of ASCII only
    clickIndicator(w.messageSection()->exportBox());
    dialogs.colours = {QColor(1, 2, 3)};
    QTest::mouseClick(w.coloursSection()->field(8), Qt::LeftButton);
    clickIndicator(tab->layoutOption(3));
    clickIndicator(tab->decoderSwitch(5));
    clickIndicator(tab->decoderSwitch(1));
    clickIndicator(tab->decoderQuality()->option(0));
    clickIndicator(tab->captureAtStart()->box());
    ASSERT_TRUE(tab->unsaved());
    click(tab->saveButton());
    EXPECT_FALSE(tab->unsaved());

    const std::string device = w.settings().deviceIndex < 0 ? "-1 " : " " + std::to_string(w.settings().deviceIndex) + " ";
    EXPECT_TRUE(sameBytes(folder.bytes("Mon.ini"),
              fileBytes({device, " 12648384 ", " 12648447 ", " 12632319 ", " 8438015 ", " 16761024 ",
                         "-2147483633 ", " 16777215 ", " 16711935 ", " 197121 ", " 1 ", "/opt/kub/aktion",
                         "ftp.example.org", "leitstelle", "pa55", "kub", " 0 ", " 1 ", "leitrechner", " 9000 ", " 0 ",
                         " 1 ", "Einsatzübersicht", " 3 ", " 1 ", " 0 ", " 1 ", " 1 ", " 1 ", " 0 ", " 0 ", " 1 ",
                         " 1 ", " 1 ", " 0 "})));
    EXPECT_EQ(w.core().context.vehicles.vehicleCount, 3000);
}

}  // namespace
}  // namespace kub::test
