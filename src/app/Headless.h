#pragma once
// Running without windows: logging as a service, scripted parameter backup
// and restore. Both use the same engine, store and files as the windows.
#include <QString>

struct HeadlessOptions {
    QString programDir;
    int device = 0;        // --device N (0 = the selected/first device)
    QString uploadFile;    // --upload FILE.CFG
    QString downloadFile;  // --download FILE.CFG
    bool withLineSettings = false; // --with-line-settings: the file's addresses and line settings go too
    int reopenMs = 0;      // --reopen-ms N: tries to reopen a lost port (0 = every 10 s)
    bool find = false;     // --find: search the line for recorders
    bool write = false;    // --write: with --find, use what was found
    QString bauds, parities, addresses; // --bauds, --parities, --addresses (empty: all, all, 1-99)
    bool slowAnswers = false; // --slow-answers: 1 s per question instead of 100 ms
};

// vq800 --headless: opens the port, scans, polls and logs until SIGINT/SIGTERM.
int RunHeadlessLogging(const HeadlessOptions& options);
// vq800 --find: the recorders on the line at any setting, printed; --write uses them.
int RunHeadlessFind(const HeadlessOptions& options);
// vq800 --headless --device N --upload/--download FILE: one transfer, then exit.
int RunHeadlessTransfer(const HeadlessOptions& options);
