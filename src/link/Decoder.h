#pragma once
// Turns a read answer (good CRC, function 3) into the texts of the store.
#include <QByteArray>

struct DataStore;
class TextTable;

// requestCode is the code that produced the answer; the request table tells
// its block (live values, the scan's model, the common block, a channel).
// row is the device's row of sprdMon (device index + 1).
void DecodeAnswer(DataStore& store, int row, int requestCode, const QByteArray& frame);
// The same for a parameter block (common or channel) into tables of the
// layouts of sprdP_Common and sprdP_CH; other blocks decode nothing.
void DecodeParamAnswer(TextTable& common, TextTable& channels, int requestCode, const QByteArray& frame);
