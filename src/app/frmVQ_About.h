#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// "About": the program's name and version and its home page.
class frmVQ_About : public QDialog {
    Q_OBJECT
public:
    explicit frmVQ_About(QWidget* parent = nullptr);

private:
    QLabel* lblHomePage = nullptr;
    QPushButton* btnClose = nullptr;
};
