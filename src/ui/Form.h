#pragma once
// A screen of the program: a top-level window that is created on first use
// (its load step runs once), hidden and shown with its state kept, shown
// modally with an owner, and unloaded (its unload step runs, then it is gone).
//
// Screens are reached through Forms::Get<T>(), which creates them on demand,
// so "touching" a screen loads it, as the original design expects.

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <typeindex>

class QEventLoop;

class Form : public QWidget {
    Q_OBJECT
public:
    explicit Form(Qt::WindowFlags flags = Qt::Window);
    ~Form() override;

    // Shows the form modally, owned by owner (may be null). Returns when the
    // form is hidden or unloaded.
    void ShowModal(QWidget *owner);
    // Shows the form not modal, owned by owner (stays above it).
    void ShowOwned(QWidget *owner);
    // Runs the unload step, removes the form from the registry and destroys it.
    void Unload();
    bool IsModalShowing() const { return m_modalLoop != nullptr; }

    // Centres the form on the primary screen.
    void CentreOnScreen();

    // A form of fixed size is shown without a maximize button: one that
    // does nothing only misleads.
    void setVisible(bool visible) override;

Q_SIGNALS:
    // The mouse moved over the form's own background (not over a control).
    void backgroundMouseMoved();

protected:
    friend class Forms;
    virtual void onLoad() {}
    virtual void onUnload() {}
    // Whether a close request from the window system may unload the form.
    // The locks refuse: only the password ends them.
    virtual bool acceptsCloseRequest() const { return true; }
    // Sets the Tab order once, on the first show: by default the controls'
    // places on the screen, top to bottom and left to right.
    virtual void orderTabs();

    void closeEvent(QCloseEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    // A window the program shows takes the keyboard (the locks excepted), with
    // its focus where the screen put it or ui::PlaceOpeningFocus puts it, and
    // marked from the start.
    void showEvent(QShowEvent *event) override;
    // Escape clicks the window's "Cancel" or "Close" control (ui::EscapeControl),
    // except in the windows that refuse close requests (locks, the uninstall
    // guard); Enter presses the focused button.
    void keyPressEvent(QKeyEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void SetOwner(QWidget *owner);

    QEventLoop *m_modalLoop = nullptr;
    bool m_unloading = false;
    bool m_tabsOrdered = false;
};

class Forms {
public:
    // The loaded form of type T, created (and its load step run) if needed.
    template <class T> static T &Get()
    {
        if (T *form = IfLoaded<T>())
            return *form;
        T *form = new T();
        Register(typeid(T), form);
        static_cast<Form *>(form)->onLoad(); // through the base: screens keep onLoad protected
        return *form;
    }

    // The form of type T if it is loaded, else null.
    template <class T> static T *IfLoaded() { return static_cast<T *>(Find(typeid(T))); }

    template <class T> static bool IsLoaded() { return IfLoaded<T>() != nullptr; }

    // Unloads T if it is loaded.
    template <class T> static void Unload()
    {
        if (T *form = IfLoaded<T>())
            form->Unload();
    }

    // How many forms are loaded.
    static int Count();

    // Destroys every form without running unload steps (test teardown).
    static void DestroyAll();

private:
    friend class Form;
    static void Register(std::type_index type, Form *form);
    static Form *Find(std::type_index type);
    static void Forget(Form *form);
};
