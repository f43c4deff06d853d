#pragma once

class QString;

// A port set-up's message as the programs show it: a message box with the program's title as its
// caption and an OK button only. Each program's main hands it to its ComForm.
void showPortMessage(const QString& text);
