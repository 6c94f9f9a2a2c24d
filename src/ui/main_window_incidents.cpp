// The window's incidents: the newest in a banner above the tabs until acknowledged, all of
// them on the "Einsätze" tab.
#include <QTabWidget>

#include "core/incident_summary.h"
#include "ui/incident_banner.h"
#include "ui/incident_table.h"
#include "ui/main_window.h"

namespace kub::ui {

namespace {
constexpr int kBannerHeight = 800;  // twips: two lines, the first larger
constexpr int kBannerGap = 60;
}  // namespace

void MainWindow::buildIncidents() {
    incidentBanner_ = new IncidentBanner(this);
    // After the three tabs the tests and the operators know by place.
    incidentTable_ = new IncidentTable(nullptr);
    SSTab1->addTab(incidentTable_, QStringLiteral("Einsätze"));
    connect(incidentBanner_, &IncidentBanner::visibilityChanged, this, [this] { layOut(); });
}

int MainWindow::incidentBannerHeight() const {
    return incidentBanner_ && !incidentBanner_->isHidden() ? kBannerHeight + kBannerGap : 0;
}

void MainWindow::placeIncidentBanner(int leftTwips, int topTwips, int widthTwips) {
    incidentBanner_->setGeometry(twips_.px(leftTwips), twips_.px(topTwips), twips_.px(widthTwips),
                                 twips_.px(kBannerHeight));
}

void MainWindow::showIncident(const IncidentSummary& incident) {
    incidentTable_->add(incident);
    incidentBanner_->show(incident);
}

}  // namespace kub::ui
