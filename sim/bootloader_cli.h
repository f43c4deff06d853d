#pragma once

#include <QStringList>

// `--boot PRODUCT [--no-announce] [--ok-delay MS] [--no-answer] [--reject-at N] [--hangup-at N]
// [--reply-padding N] [--log FILE] [--link PATH]`:
// plays a product's boot loader on a new pseudo-terminal until interrupted.
// `--boot PRODUCT --make-file FILE [--lines N]` writes a made-up firmware file for it instead.
// Needs a QCoreApplication; returns the exit code.
int runBootLoaderCli(const QStringList& arguments);
