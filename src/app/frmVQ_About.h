#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// "About": the program's name and version, its home page and the program
// folder in use.
class frmVQ_About : public QDialog {
    Q_OBJECT
public:
    explicit frmVQ_About(const QString& programDir, QWidget* parent = nullptr);

private:
    QLabel* lblHomePage = nullptr;
    QPushButton* btnClose = nullptr;
};
