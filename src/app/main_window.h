// The editor's main window.
#pragma once

#include <QMainWindow>

namespace varnel {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

private:
    void createActions();
    void createMenus();

    QAction* exitAction_ = nullptr;
};

}  // namespace varnel
