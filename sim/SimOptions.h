#pragma once
// Command line of vq800-sim.
#include "sim/LineServer.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct SimOptions {
    QList<int> devices{1, 2, 3};
    int defaultModel = 10;
    QMap<int, int> models;            // device -> model code
    WireFormat wire;
    FaultConfig faults;               // every device
    QMap<int, FaultConfig> deviceFaults;
    QList<QPair<int, int>> burnOut;   // device, channel
    QMap<int, QString> paramFiles;    // device -> parameter file
    int noiseEveryMs = 0;             // a stray byte on the line this often (0: none)
    quint64 seed = 1;
    QString link;
    QString tcp;                      // HOST:PORT to serve on as well
    bool verbose = false;
    bool help = false;
    bool version = false;
};

// "1,3,5-8" -> 1 3 5 6 7 8; empty list on a bad text or a number outside 1..247.
QList<int> ParseDeviceList(const QString& text);
// Parses the arguments (without the program name); false with a message on
// a bad option.
bool ParseSimOptions(const QStringList& args, SimOptions* out, QString* error);
QString SimUsage();
