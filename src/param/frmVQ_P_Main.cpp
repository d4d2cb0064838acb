#include "param/frmVQ_P_Main.h"

#include "core/TextTable.h"
#include "ui/DeferredRefresh.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kRecordRow = 1; // sprdP: RECORD_ONOFF
constexpr int kDispRow = 3;   // sprdP_CH: DISP_ONOFF

// Checked buttons turn green, the others keep the button face.
const char* kToggleStyle = "QPushButton { min-width: 56px; min-height: 34px; font-weight: bold; }"
                           "QPushButton:checked { background-color: rgb(0,255,0); color: black; }";
}

frmVQ_P_Main::frmVQ_P_Main(TextTable& sprdP, TextTable& sprdP_CH, int channels, QWidget* parent)
    : QDialog(parent)
    , m_sprdP(sprdP)
    , m_sprdP_CH(sprdP_CH)
    , m_channels(channels > 6 ? 12 : 6)
{
    setObjectName(QStringLiteral("frmVQ_P_Main"));
    setWindowTitle(QStringLiteral("RECORD/DISPLAY Setup"));
    setStyleSheet(QString::fromLatin1(kToggleStyle));

    auto* sdBox = new QGroupBox(QStringLiteral("RECORD TO SD CARD"), this);
    auto* sdRow = new QHBoxLayout(sdBox);
    auto* sdGroup = new QButtonGroup(this);
    const char* captions[] = {"OFF", "ON"};
    for (int i = 0; i < 2; ++i) {
        obtSD_Save[i] = new QPushButton(QString::fromLatin1(captions[i]), sdBox);
        obtSD_Save[i]->setObjectName(QStringLiteral("obtSD_Save%1").arg(i));
        obtSD_Save[i]->setCheckable(true);
        sdGroup->addButton(obtSD_Save[i], i);
        sdRow->addWidget(obtSD_Save[i]);
        connect(obtSD_Save[i], &QPushButton::clicked, this, [this, i] { sdSaveClicked(i); });
    }

    auto* dispBox = new QGroupBox(QStringLiteral("DISPLAY CHANNEL"), this);
    auto* dispRows = new QGridLayout(dispBox);
    for (int i = 0; i < m_channels; ++i) {
        chbDispCH[i] = new QPushButton(QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')), dispBox);
        chbDispCH[i]->setObjectName(QStringLiteral("chbDispCH%1").arg(i));
        chbDispCH[i]->setCheckable(true);
        dispRows->addWidget(chbDispCH[i], i / 6, i % 6);
        connect(chbDispCH[i], &QPushButton::clicked, this, [this, i] { dispClicked(i); });
    }

    btnClose = new QPushButton(QStringLiteral("&Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(btnClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sdBox);
    layout->addWidget(dispBox);
    layout->addLayout(closeRow);

    tmrRefresh = DeferredRefresh(this, &frmVQ_P_Main::refresh);
    // Shown filled at once; the timer keeps the page's usual refresh step.
    refresh();
    tmrRefresh->start();
}

void frmVQ_P_Main::refresh()
{
    tmrRefresh->stop();
    const bool on = m_sprdP.text(3, kRecordRow) != QLatin1String("OFF");
    obtSD_Save[on ? 1 : 0]->setChecked(true);
    for (int i = 0; i < m_channels; ++i)
        chbDispCH[i]->setChecked(m_sprdP_CH.text(i + 3, kDispRow) == QLatin1String("ON"));
}

void frmVQ_P_Main::sdSaveClicked(int option)
{
    m_sprdP.setText(3, kRecordRow, obtSD_Save[option]->text());
}

void frmVQ_P_Main::dispClicked(int channel)
{
    m_sprdP_CH.setText(channel + 3, kDispRow,
                       chbDispCH[channel]->isChecked() ? QStringLiteral("ON") : QStringLiteral("OFF"));
}
