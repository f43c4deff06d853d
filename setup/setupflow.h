#pragma once

#include "control/linksession.h"
#include "setup/configfile.h"
#include "setup/setuplink.h"
#include "setup/setupmodel.h"

#include <QObject>
#include <optional>

namespace setup {

// What a setup dialog shows besides its form: the status line and which buttons work.
struct SetupControls
{
    QString status;
    // The form, Update, Default …, Factoty set. and Save to PC.
    bool editing = false;
    // Get from PC: the name has a saved section.
    bool upload = false;
};

// The flow every model's setup dialog follows, without widgets, on a lease of the link: it reads
// the amplifier's settings (saying how far it got, and when the amplifier stays silent), then lets
// the user edit; Update, Default, Factoty set., Save to PC, Get from PC and Close work from the
// model's description. The dialog hands in its controls' values and draws `controls()`; it closes
// when the phase becomes Closed.
class SetupFlow : public QObject
{
    Q_OBJECT
public:
    enum class Phase
    {
        Reading,
        // Nothing was loaded (the link is down, or a reply was damaged): only Close works.
        Empty,
        Editing,
        Writing,
        Closed,
    };

    SetupFlow(const ModelSpec& spec, control::LinkLease& lease, QObject* parent = nullptr);

    Phase phase() const { return m_phase; }
    const SetupControls& controls() const { return m_controls; }
    SetupLink& link() { return m_link; }
    const Values& values() const { return m_values; }
    int& value(int field) { return m_values.number[field]; }
    bool isLoaded() const { return m_loaded; }
    // The Link ID or Link Speed was changed since the amplifier last had every setting.
    bool linkEdited() const { return m_linkEdited; }
    // The amplifier's new address and speed, when an Update wrote a change of them or Default reset
    // it; what the lease hands back.
    std::optional<control::LinkLease::LinkValues> linkChange() const;

    // The read sequence; the controls it fills, or nothing when nothing was loaded (or the user
    // left). Once the dialog shows them it calls loaded(), which trims the name; editing begins.
    std::optional<Controls> read();
    void loaded(Controls& c);
    // Writes the controls (corrected in place, as they were sent).
    void update(Controls& c);
    // Default, once the user agreed: the amplifier resets itself, and the dialog closes.
    void resetAmplifier();
    void fillFactory(Controls& c);
    void saveToPc(Controls& c);
    void getFromPc(Controls& c);
    // The configuration file of what the form holds, as Save to PC stores it; false when not saved.
    bool saveToFile(Controls& c, const QString& path);
    // Fills the controls from a configuration file of this model, as Get from PC does from setup.ini;
    // the user sends it with Update. False, and nothing changed, for a file of another model.
    bool loadFromFile(Controls& c, const QString& path);
    // The fields whose values the file holds otherwise than the form, which is left as it is.
    QList<int> compareWithFile(const Controls& c, const QString& path);
    // Close, the title bar's close box or Escape: a running wait ends and nothing more is sent.
    void close();

    // The user edited a box; `text` is the Link ID's new text when `field` is the address.
    void boxEdited(int field, const QString& text);
    // A list's entry was chosen; returns the entry to show instead when the choice is not accepted.
    std::optional<int> listChosen(int field, int index);

    // What Save to PC says: the file, the section and the folder it is in.
    static QString savedText(const QString& section, const QString& iniPath);

signals:
    // The controls or the phase changed.
    void changed();
    // An Update corrected the controls before it sent them: the form shows what is sent.
    void corrected(const Controls& c);

private:
    // Runs on the link; not at all while it is down.
    bool linkUp();
    void setStatus(const QString& text, const QString& notice = QString());
    void setPhase(Phase phase);
    void checkSaved(Controls& c);
    // A configuration file of this model, or nothing (the status says why).
    std::optional<ConfigFile> configFile(const QString& path);

    const ModelSpec& m_spec;
    control::LinkLease& m_lease;
    SetupLink m_link;
    Values m_values;
    SetupControls m_controls;
    Phase m_phase = Phase::Reading;
    QString m_progress;
    bool m_loaded = false;
    bool m_linkEdited = false;
    bool m_linkChanged = false;
    bool m_reset = false;
};

} // namespace setup
