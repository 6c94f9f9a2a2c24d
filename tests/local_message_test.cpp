// The local message export: the record's bytes, the socket name for a window title, and
// delivery to a real QLocalServer listening under that name.

#include <gtest/gtest.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <vector>

#include "export/local_message_export.h"
#include "platform/qt_local_message_sink.h"
#include "storage/text_file.h"
#include "support/qt_app.h"

namespace kub {
namespace {

std::uint32_t le32(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

TEST(LocalMessageRecord, TagLengthLineAndZeroByte) {
    EXPECT_EQ(copyDataRecord(""), std::string("\x03\0\0\0\x01\0\0\0\0", 9));
    const std::string r = copyDataRecord("##ZVEI#12345#Süd#+");
    EXPECT_EQ(le32(r, 0), 3u);
    ASSERT_EQ(le32(r, 4), 19u);  // 18 bytes in Windows-1252, ü being one, and the zero
    ASSERT_EQ(r.size(), 8u + 19u);
    EXPECT_EQ(r.substr(8, 18), utf8ToCp1252("##ZVEI#12345#Süd#+"));
    EXPECT_EQ(r.back(), '\0');
    // Long pager texts go whole; the length says how much came.
    const std::string line = "##POC#1234567#3#" + std::string(400, 'a') + "#+";
    const std::string big = copyDataRecord(line);
    EXPECT_EQ(le32(big, 4), line.size() + 1);
    EXPECT_EQ(big.size(), 8 + line.size() + 1);
}

TEST(LocalMessageRecord, SocketNameForATitle) {
    EXPECT_EQ(localSocketName("Alarmauswertung"), "Alarmauswertung");
    EXPECT_EQ(localSocketName("Leitstelle 1/2"), "Leitstelle 1%2F2");
    EXPECT_EQ(localSocketName("100%"), "100%25");
    EXPECT_EQ(localSocketName("a\tb\x7f"), "a%09b%7F");
    EXPECT_EQ(localSocketName("Wache Süd"), "Wache Süd");
    EXPECT_EQ(localSocketName(""), "");
    // Different titles never share a name.
    EXPECT_NE(localSocketName("a/b"), localSocketName("a%2Fb"));
}

// A user's program listening under the name of its window title.
class RecordListener {
public:
    explicit RecordListener(const std::string& title) : name_(QString::fromStdString(localSocketName(title))) {
        QLocalServer::removeServer(name_);
        QObject::connect(&server_, &QLocalServer::newConnection, &server_, [this] {
            while (QLocalSocket* s = server_.nextPendingConnection()) {
                buffers_.emplace_back();
                const std::size_t slot = buffers_.size() - 1;
                QObject::connect(s, &QLocalSocket::readyRead, s, [this, s, slot] {
                    const QByteArray b = s->readAll();
                    buffers_[slot].append(b.constData(), static_cast<std::size_t>(b.size()));
                });
                QObject::connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    bool listen() { return server_.listen(name_); }
    // Records, one per connection, once each connection's bytes have all come.
    std::vector<std::string> records() const {
        std::vector<std::string> out;
        for (const auto& b : buffers_)
            if (b.size() >= 8 && b.size() >= 8 + le32(b, 4)) out.push_back(b);
        return out;
    }
    std::size_t connections() const { return buffers_.size(); }

private:
    QString name_;
    QLocalServer server_;
    std::vector<std::string> buffers_;
};

class LocalMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        kubtest::ensureQtApp();
        settings.windowMessageExport = 1;
        settings.windowTitle = "KUB Test/" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    Settings settings = defaultSettings();
    QtLocalMessageSink sink;
};

TEST_F(LocalMessageTest, ListenerReceivesOneRecordPerLine) {
    RecordListener listener(settings.windowTitle);
    ASSERT_TRUE(listener.listen());
    LocalMessageExport exporter(settings, sink);
    const std::vector<std::string> lines = {"##FMS#12345678#3#00#+", "##ZVEI#25634#Löschzug#+", "",
                                            "##POC#1234567#3#" + std::string(300, 'T') + "#+"};
    for (const auto& l : lines) exporter.Send_to_Anwendung(l);
    ASSERT_TRUE(kubtest::waitFor([&] { return listener.records().size() == lines.size(); }));
    const auto records = listener.records();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& r = records[i];
        EXPECT_EQ(le32(r, 0), 3u);
        const std::uint32_t cb = le32(r, 4);
        ASSERT_EQ(r.size(), 8u + cb) << "nothing but the record";
        EXPECT_EQ(cp1252ToUtf8(r.substr(8, cb - 1)), lines[i]);
        EXPECT_EQ(r.back(), '\0');
    }
}

TEST_F(LocalMessageTest, WithoutListenerNothingIsKeptForLater) {
    LocalMessageExport exporter(settings, sink);
    for (int i = 0; i < 50; ++i) exporter.Send_to_Anwendung("##ZVEI#1111" + std::to_string(i % 10) + "##+");
    RecordListener listener(settings.windowTitle);
    ASSERT_TRUE(listener.listen());
    exporter.Send_to_Anwendung("##ZVEI#22222##+");
    // Records arrive in order: anything kept from before would come ahead of the second.
    exporter.Send_to_Anwendung("##ZVEI#33333##+");
    ASSERT_TRUE(kubtest::waitFor([&] { return listener.records().size() >= 2; }));
    ASSERT_EQ(listener.records().size(), 2u);
    EXPECT_EQ(listener.records()[0].substr(8, 15), "##ZVEI#22222##+");
    EXPECT_EQ(listener.records()[1].substr(8, 15), "##ZVEI#33333##+");
}

TEST_F(LocalMessageTest, EmptyTitleSendsNothing) {
    settings.windowTitle = "";
    struct Recording final : LocalMessageSink {
        int calls = 0;
        void deliver(const std::string&, const std::string&) override { ++calls; }
    } recording;
    LocalMessageExport exporter(settings, recording);
    exporter.Send_to_Anwendung("##ZVEI#12345##+");
    EXPECT_EQ(recording.calls, 0);
}

TEST_F(LocalMessageTest, ListenerThatNeverReadsDoesNotHoldTheMonitor) {
    // Accepted by the system but never read: the record does not fit the socket buffer.
    const std::string name = localSocketName(settings.windowTitle);
    QLocalServer::removeServer(QString::fromStdString(name));
    QLocalServer stuck;
    ASSERT_TRUE(stuck.listen(QString::fromStdString(name)));
    LocalMessageExport exporter(settings, sink);
    const std::string huge = "##POC#1234567#3#" + std::string(8 * 1024 * 1024, 'x') + "#+";
    exporter.Send_to_Anwendung(huge);
    exporter.Send_to_Anwendung("##ZVEI#12345##+");
    stuck.close();

    // The next program to listen gets the next line normally.
    RecordListener listener(settings.windowTitle);
    ASSERT_TRUE(listener.listen());
    exporter.Send_to_Anwendung("##ZVEI#54321##+");
    ASSERT_TRUE(kubtest::waitFor([&] { return listener.records().size() == 1; }));
}

}  // namespace
}  // namespace kub
