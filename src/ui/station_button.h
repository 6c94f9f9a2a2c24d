#pragma once
// A station button of the station bar (`label8`): left button selects the station, any
// other button asks for a new name, and a dropped tile moves its vehicle to the station.

#include <QPushButton>

namespace kub::ui {

class StationButton : public QPushButton {
    Q_OBJECT
public:
    StationButton(int station, QWidget* parent);
    int station() const { return station_; }

signals:
    void renameRequested(int station);
    void tileDropped(int fromTile, int station);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    int station_;
};

}  // namespace kub::ui
