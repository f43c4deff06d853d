#pragma once

#include "control/linksession.h"

#include <QObject>

class QWidget;

namespace setup {

class SetupDialog;

// The setup dialogs of Tevlin: opens the dialog of the identified model when the session asks, on a
// lease of its link, and hands back through the lease the address and speed the dialog changed.
class SetupDialogs : public QObject
{
    Q_OBJECT
public:
    // The dialogs are owned by `owner`.
    SetupDialogs(control::LinkSession& session, QWidget* owner);

signals:
    // A dialog is about to read the amplifier's settings.
    void opened(SetupDialog* dialog);

private:
    void open(int modelCode);

    control::LinkSession& m_session;
    QWidget* m_owner;
};

} // namespace setup
