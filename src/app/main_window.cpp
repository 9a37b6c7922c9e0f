#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>

namespace varnel {

// Command identifiers of the program's commands.
enum CommandId { kCmdAppExit = 57665 };

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Varnel"));
    createActions();
    createMenus();
    resize(1024, 768);
}

void MainWindow::createActions() {
    exitAction_ = new QAction(tr("E&xit"), this);
    exitAction_->setData(int(kCmdAppExit));
    exitAction_->setStatusTip(tr("Quit the application; prompts to save documents"));
    connect(exitAction_, &QAction::triggered, this, &QWidget::close);
}

void MainWindow::createMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(exitAction_);
}

}  // namespace varnel
