#pragma once

#include "../control/tevlinbench.h"
#include "setup/setupdialog.h"
#include "setup/setupdialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>

Q_DECLARE_METATYPE(AmpModel)

namespace bench {

// Tevlin with its setup dialogs, against ampsim on a pseudo-terminal.
struct SetupBench : Bench
{
    using Bench::Bench;
    setup::SetupDialogs dialogs{session, &window};

    using Script = std::function<void(setup::SetupDialog&)>;
    // Presses Setup in the main window. `whileLoading` runs once the dialog is on the screen,
    // `loaded` once it is filled; whichever runs last leaves the dialog. Returns when it has closed.
    void openSetup(const Script& loaded, const Script& whileLoading = {})
    {
        const auto hook =
            QObject::connect(&dialogs, &setup::SetupDialogs::opened, &dialogs, [&](setup::SetupDialog* d) {
                if (whileLoading)
                    QTimer::singleShot(0, d, [d, &whileLoading] { whileLoading(*d); });
                if (loaded)
                    QObject::connect(d, &setup::SetupDialog::loaded, d, [d, &loaded] {
                        QTimer::singleShot(0, d, [d, &loaded] { loaded(*d); });
                    });
            });
        click(QStringLiteral("BtnSetupAmp"));
        QObject::disconnect(hook);
    }
};

template <typename T = QPushButton> T* in(QWidget& parent, const QString& name)
{
    T* child = parent.findChild<T*>(name);
    if (!child)
        qFatal("no control %s", qPrintable(name));
    return child;
}
inline QString text(QWidget& d, const QString& name)
{
    return in<QLineEdit>(d, name)->text();
}
inline void type(QWidget& d, const QString& name, const QString& text)
{
    in<QLineEdit>(d, name)->setText(text);
}
inline void choose(QWidget& d, const QString& name, int index)
{
    in<QComboBox>(d, name)->setCurrentIndex(index);
}
inline void press(QWidget& d, const QString& name)
{
    in(d, name)->click();
}

// Answers the message box that `action` opens with `button`, and returns its title, text, icon
// and default button ("Tevlin|Are you sure?|warning|Cancel").
inline QString answerMessage(const std::function<void()>& action, QMessageBox::StandardButton button)
{
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            qFatal("no message box");
        const std::array<const char*, 5> icons{"", "information", "warning", "critical", "question"};
        const auto standard = box->standardButton(box->defaultButton());
        text = box->windowTitle() + u'|' + box->text() + u'|' + icons[box->icon()] + u'|' +
               (standard == QMessageBox::Cancel ? "Cancel"
                : standard == QMessageBox::Ok   ? "OK"
                                                : "");
        box->button(button)->click();
    });
    action();
    return text;
}

} // namespace bench
