#pragma once
// The "&OK" / "&Cancel" row of the setup dialogs: buttons btnOK and btnCancel,
// OK the default, Cancel closing the dialog without changes.
#include <QDialogButtonBox>

class QDialog;
class QPushButton;

QDialogButtonBox* MakeOkCancel(QDialog* dialog, QPushButton** btnOK, QPushButton** btnCancel);
