// Time to draw one 10 x 20 board page: update_label (every tile's look from its slot)
// plus painting all 200 tiles, on the offscreen platform. Goal: under 20 ms.
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QStyleFactory>
#include <QTabWidget>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "storage/text_file.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"
#include "ui/status_board.h"

namespace {

class QuietDialogs : public kub::ui::DialogService {
public:
    void message(QWidget*, const QString&, const QString&, kub::ui::DialogIcon) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QuietDialogs quiet;
    kub::ui::setDialogService(&quiet);

    const auto folder = std::filesystem::temp_directory_path() / "kub-bench-board";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder / "Status");
    std::vector<std::string> fzg;
    for (int i = 0; i < 200; ++i) {
        char kennung[16];
        std::snprintf(kennung, sizeof kennung, "623B%04d", i);
        fzg.push_back(i % 20 == 0 ? "Überschrift " + std::to_string(i / 20) + "\t\t"
                                  : "Fahrzeug " + std::to_string(i) + "\tEigenschaft\t" + kennung);
        kub::writeTextLines((folder / "Status" / (std::to_string(i) + ".txt")).string(),
                            {std::to_string(i % 16) + "\t0\t07.12. 10:00"});
    }
    kub::writeTextLines((folder / "Fzg.txt").string(), fzg);

    kub::WallClock clock;
    kub::ui::MainWindow w(folder.string(), clock);
    w.resize(1600, 1000);
    w.show();
    w.tabs()->setCurrentIndex(1);
    QApplication::processEvents();

    kub::ui::StatusBoard* board = w.board();
    const int rounds = 300;
    std::vector<double> looks, pages;
    for (int r = 0; r < rounds; ++r) {
        // Statuses change between rounds, as receptions would change them.
        auto& table = w.core().context.vehicles.vehicleTable;
        for (int i = 0; i < 200; ++i) table[static_cast<std::size_t>(i)].status = static_cast<std::int16_t>((i + r) % 16);
        QElapsedTimer t;
        t.start();
        w.update_label();
        const double afterLooks = static_cast<double>(t.nsecsElapsed()) / 1e6;
        const QPixmap page = board->boardArea()->grab();
        const double total = static_cast<double>(t.nsecsElapsed()) / 1e6;
        if (page.isNull()) return 1;
        looks.push_back(afterLooks);
        pages.push_back(total);
    }
    std::sort(looks.begin(), looks.end());
    std::sort(pages.begin(), pages.end());
    auto pct = [](const std::vector<double>& v, double p) {
        return v[static_cast<std::size_t>(p * static_cast<double>(v.size() - 1))];
    };
    std::printf("Fahrzeugansicht 10 x 20, %d Durchläufe, Board %dx%d px\n", rounds, board->boardArea()->width(),
                board->boardArea()->height());
    std::printf("update_label allein:      Median %.2f ms, 95%% %.2f ms, max %.2f ms\n", pct(looks, 0.5),
                pct(looks, 0.95), looks.back());
    std::printf("update_label + Zeichnen:  Median %.2f ms, 95%% %.2f ms, max %.2f ms (Ziel < 20 ms)\n",
                pct(pages, 0.5), pct(pages, 0.95), pages.back());
    std::filesystem::remove_all(folder);
    return pct(pages, 0.5) < 20.0 ? 0 : 3;
}
