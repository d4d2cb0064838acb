#pragma once
// Turns a read answer (good CRC, function 3) into the texts of the store.
#include <QByteArray>

struct LinkState;
struct DataStore;

// requestCode is the code that produced the answer: 11 live values, 99 scan,
// 100/200 common block, 101..112/201..212 channel block (c = code mod 100).
// The device decoded is link.gMC_Index.
void DecodeAnswer(LinkState& link, DataStore& store, int requestCode, const QByteArray& frame);
