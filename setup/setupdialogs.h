#pragma once

#include "control/linksession.h"

#include <QObject>
#include <map>

class QWidget;

namespace setup {

struct ModelSpec;
class SetupDialog;

// The setup dialogs of Tevlin: opens the dialog of the identified model for the session and keeps
// the address and speed each dialog left, which the main window takes over after a link change.
class SetupDialogs : public QObject
{
    Q_OBJECT
public:
    // Installs itself as the session's setup hooks; the dialogs are owned by `owner`.
    SetupDialogs(control::LinkSession& session, QWidget* owner);

signals:
    // A dialog is about to read the amplifier's settings.
    void opened(SetupDialog* dialog);

private:
    void open(int modelCode);

    control::LinkSession& m_session;
    QWidget* m_owner;
    std::map<const ModelSpec*, control::LinkSession::SetupLinkValues> m_left;
};

} // namespace setup
