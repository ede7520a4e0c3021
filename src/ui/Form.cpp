#include "ui/Form.h"

#include "platform/funct.h"
#include "ui/KeyboardAccess.h"
#include "ui/ProgramLifetime.h"
#include "ui/WindowServices.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>

namespace {

std::map<std::type_index, QPointer<Form>> &Registry()
{
    static std::map<std::type_index, QPointer<Form>> registry;
    return registry;
}

} // namespace

Form::Form(Qt::WindowFlags flags) : QWidget(nullptr, flags)
{
    ui::WatchLastWindow();
}

Form::~Form()
{
    Forms::Forget(this);
    if (m_modalLoop)
        m_modalLoop->quit();
}

void Form::SetOwner(QWidget *owner)
{
    QWidget *ownerWindow = owner ? owner->window() : nullptr;
    if (ownerWindow == this)
        ownerWindow = nullptr;
    if (parentWidget() != ownerWindow) {
        const Qt::WindowFlags flags = windowFlags();
        setParent(ownerWindow, flags);
    }
}

void Form::ShowModal(QWidget *owner)
{
    SetOwner(owner);
    setWindowModality(Qt::ApplicationModal);
    show();
    QPointer<Form> self(this);
    QEventLoop loop;
    m_modalLoop = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (self) {
        m_modalLoop = nullptr;
        setWindowModality(Qt::NonModal);
    }
}

void Form::ShowOwned(QWidget *owner)
{
    SetOwner(owner);
    show();
    raise();
    activateWindow();
}

void Form::Unload()
{
    if (m_unloading)
        return;
    m_unloading = true;
    onUnload();
    Forms::Forget(this);
    hide();
    if (m_modalLoop)
        m_modalLoop->quit();
    deleteLater();
    // The program lives as long as a screen is loaded. Checked later, so that
    // a handler that unloads one screen and shows the next keeps it running.
    QTimer::singleShot(0, [] {
        if (Forms::Count() == 0)
            EndProgram(0);
    });
}

void Form::CentreOnScreen()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void Form::setVisible(bool visible)
{
    if (visible && !isVisible() && minimumSize() == maximumSize() && !windowFlags().testFlag(Qt::FramelessWindowHint) &&
        (windowType() == Qt::Window || windowType() == Qt::Dialog)) {
        Qt::WindowFlags flags = windowFlags();
        if (!flags.testFlag(Qt::CustomizeWindowHint)) {
            // Uncustomized, the window system gets every button: keep the
            // others, as they would have been.
            const Qt::WindowFlags buttons = Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                            Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;
            if (!(flags & buttons))
                flags |= buttons;
            flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        }
        flags &= ~Qt::WindowMaximizeButtonHint;
        if (flags != windowFlags())
            setWindowFlags(flags);
    }
    QWidget::setVisible(visible);
}

void Form::closeEvent(QCloseEvent *event)
{
    if (m_unloading)
        return event->accept();
    if (!acceptsCloseRequest())
        return event->ignore();
    event->ignore(); // Unload hides and destroys the form itself
    Unload();
}

void Form::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_modalLoop && !event->spontaneous())
        m_modalLoop->quit();
}

void Form::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once, when every control is built: the screens place their controls
    // by position, so the order they were made in is not the screen's.
    if (!m_tabsOrdered) {
        m_tabsOrdered = true;
        const bool placedByScreen = focusWidget() != nullptr;
        orderTabs();
        ui::NameControlsFromLabels(this);
        if (!placedByScreen)
            ui::PlaceOpeningFocus(this);
    }
    // The focus is marked from the start, not only after the first Tab: a
    // keyboard user must see where Enter and Space will go.
    setAttribute(Qt::WA_KeyboardFocusChange);
    // A window the program opens takes the keyboard, also when another of its
    // windows had it (the welcome note over Password Settings). The locks
    // hand the keyboard over themselves.
    if (!event->spontaneous() && acceptsCloseRequest()) {
        QTimer::singleShot(0, this, [self = QPointer<Form>(this)] {
            if (self && self->isVisible() && !self->m_unloading) {
                self->raise();
                self->activateWindow();
            }
        });
    }
}

void Form::orderTabs()
{
    ui::OrderTabsByScreenPosition(this);
}

void Form::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button, as in a dialog; a default button
    // takes it by itself, and text boxes give it to their screens.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && ui::PressFocusedButton(this)) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && acceptsCloseRequest()) {
        if (QWidget *control = ui::EscapeControl(this)) {
            event->accept();
            if (auto *button = qobject_cast<QAbstractButton *>(control))
                button->click();
            else if (auto *link = qobject_cast<LinkLabel *>(control))
                link->Activate();
            return;
        }
    }
    QWidget::keyPressEvent(event);
}

void Form::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    Q_EMIT backgroundMouseMoved();
}

void Forms::Register(std::type_index type, Form *form)
{
    Registry()[type] = form;
}

Form *Forms::Find(std::type_index type)
{
    auto &registry = Registry();
    const auto it = registry.find(type);
    if (it == registry.end())
        return nullptr;
    if (!it->second || it->second->m_unloading) {
        if (!it->second)
            registry.erase(it);
        return nullptr;
    }
    return it->second.data();
}

void Forms::Forget(Form *form)
{
    auto &registry = Registry();
    for (auto it = registry.begin(); it != registry.end();) {
        if (it->second == form || !it->second)
            it = registry.erase(it);
        else
            ++it;
    }
}

int Forms::Count()
{
    int loaded = 0;
    for (auto &[type, form] : Registry())
        loaded += form && !form->m_unloading ? 1 : 0;
    return loaded;
}

void Forms::DestroyAll()
{
    auto &registry = Registry();
    std::vector<QPointer<Form>> forms;
    for (auto &[type, form] : registry)
        forms.push_back(form);
    registry.clear();
    for (auto &form : forms)
        delete form.data();
    ui::ForgetEndCheck();
}
