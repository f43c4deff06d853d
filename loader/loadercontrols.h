#pragma once

#include <QString>

inline constexpr const char* CaptionOpenPort = "Open Comm Port";
inline constexpr const char* CaptionClosePort = "Close Comm Port";
inline constexpr const char* CaptionUpload = "Upload";
inline constexpr const char* CaptionCancelUpload = "Cancel Upload";
inline constexpr const char* CaptionNextUnit = "Next unit";

// What the loader window shows, kept apart from the widgets so the flows can be tested without them.
struct LoaderControls
{
    QString statusText;
    QString fileName;
    QString guideText;
    // Beside the status text of a file that passed the check: its first damaged record; empty when
    // every record is sound.
    QString recordWarning;

    bool commportEnabled = false;
    QString commportCaption = QLatin1String(CaptionOpenPort);
    bool uploadEnabled = false;
    QString uploadCaption = QLatin1String(CaptionUpload);
    // BtnBrowse and the menu entry Load always go together.
    bool browseEnabled = true;
    bool portMenuEnabled = true;
    // "Next unit", offered after a success: the next product, same file and port.
    bool nextUnitEnabled = false;

    int progress = 0;
    bool progressEnabled = false;
    // The bar shows that the update failed, beside the status box's own words.
    bool progressFailed = false;

    // A line in the status bar where the status box alone would leave the user guessing: which port
    // did not open, that the device went away, what to do after a failure. It stays until the next
    // action.
    QString notice;

    bool operator==(const LoaderControls&) const = default;
};
