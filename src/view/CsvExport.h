#pragma once
// A timeline's records as CSV for spreadsheets: the stored local time, the
// channel values in the channels' decimals, then the status words.
#include "view/ChannelLook.h"
#include "view/Timeline.h"

#include <QString>
#include <functional>

class QIODevice;

struct CsvOptions {
    QChar separator = QLatin1Char(';');
    QChar decimalPoint = QLatin1Char(',');
};

// Writes records [from, to) (UTF-8 with a byte order mark, CR LF line ends).
// A field holding the separator, a quote or a line break is quoted.
// `progress` hears the percent written now and then; false from it stops
// the writing, which then fails with an empty error.
bool WriteCsv(QIODevice& out, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
              const CsvOptions& options, QString* error = nullptr, const std::function<bool(int)>& progress = {});
// The same into a file, replaced only when all was written.
bool SaveCsv(const QString& path, const Timeline& tl, qsizetype from, qsizetype to, const ChannelLooks& looks,
             const CsvOptions& options, QString* error = nullptr, const std::function<bool(int)>& progress = {});
