#pragma once
// A recorder's own interface settings (40031..40037 RS232, 40038..40044
// RS422/485: address, protocol, baud rate, parity, data length, stop bit,
// response time) against the line the program polls it on: after a download
// that changes them, the program may have to follow.
#include "link/SerialPort.h"

#include <QString>

class RegisterSet;

struct RecorderLine {
    bool known = false;  // an interface of the recorder matched the line
    bool rs485 = false;  // which one
    int address = 0;
    PortSettings settings; // the line's settings with the interface's baud, parity, bits
};

// The interface the program reaches `device` through in `set`: the one whose
// address is the device number, the one whose speed is the line's first.
RecorderLine LineOf(const RegisterSet& set, int device, const PortSettings& line);
// The same interface after `after` was written: where the recorder answers now.
RecorderLine LineAfter(const RecorderLine& before, const RegisterSet& after);
// "address 5, 19200,E,8,1 (RS422/485)".
QString LineText(const RecorderLine& l);
