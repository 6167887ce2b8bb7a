// SPDX-License-Identifier: GPL-3.0-or-later
// Copyright 2026 The Palavine developers
// The main window: the two lists, the command buttons, the option boxes and the
// font options. Its handlers are short: each calls the subsystem function that
// does the work, with the lists, the texts and the Ui services.
#pragma once

#include "core/MousePointer.h"

#include <QCursor>
#include <QHash>
#include <QIcon>
#include <QWidget>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class ColourSwatch;
class ErrorTrap;
class Form2;
class ListView;
class WindowUi;

// The application's icon at its four sizes.
QIcon ApplicationIcon();

class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(WindowUi& ui, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence; the window is shown after it.
    void Form_Load();

    // The size the controls are laid out for, in logical pixels. The window
    // grows from it (the lists take the room) and shrinks below it only to fit
    // a smaller screen, its content scrolling then.
    static QSize designSize();
    // Sizes the window for the screen's available area, less what the window
    // manager puts around it, and centres it there.
    void placeOnScreen(const QRect& available, const QMargins& frame = {});
    QScrollArea* scrollArea() const { return scroll_; }

    // The folders named when the program starts, in the order given: each is
    // added with every folder below it, as "1. Add Folders and Subfolders"
    // adds the folder picked; what is not a folder is told once at the end.
    void AddFolderArguments(const QStringList& paths);
    // Paths dropped on the window: folders are added as above, plain-text
    // files read as folder lists as "Load Folders From Text File" reads them.
    void DropPaths(const QStringList& paths);
    // The folder arguments among the program's arguments left after the
    // window system took its own options: those not starting with "-", and
    // all after "--"; made absolute against the current folder.
    static QStringList FolderArguments(const QList<QByteArray>& arguments);

    // Command handlers.
    void PushButton1_Click();  // Preview
    void PushButton2_Click();  // Load Folders From Text File
    void PushButton3_Click();  // Load Sample/Example Data
    void PushButton4_Click();  // Remove Filenames Containing X (results)
    void PushButton5_Click();  // 2. Start Creating List
    void PushButton6_Click();  // 1. Add Folders and Subfolders
    void PushButton7_Click();  // 3. Save Results As HTML File
    void PushButton8_Click();  // Clear List (results)
    void PushButton9_Click();  // Clear List (folders)
    void PushButton10_Click(); // Remove Filenames Not Cont. X (results)
    void PushButton11_Click(); // Help
    void PushButton12_Click(); // ? (filter help)
    void PushButton13_Click(); // Remove Filenames Containing X (folders)
    void PushButton14_Click(); // Remove Filenames Not Cont. X (folders)
    void PushButton15_Click(); // ... (output folder)
    void PushButton16_Click(); // Change (font)
    void PushButton17_Click(); // Change (text colour)
    void PushButton18_Click(); // Change (background colour)

    // List editing.
    void ListView1_DblClick();
    void ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void ListView2_KeyDown(int keyCode, Qt::KeyboardModifiers shift);

    // Hover feedback: over a push button the custom pointer, elsewhere the
    // default arrow; neither replaces the busy pointer.
    void PushButton_MouseMove();
    void Background_MouseMove();

    // The controls, named as the product's documents name them.
    ListView* ListView1 = nullptr;
    ListView* ListView2 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    QGroupBox* Frame4 = nullptr;
    ColourSwatch* Picture1 = nullptr;
    ColourSwatch* Picture2 = nullptr;
    QLabel* Label1_1 = nullptr;       // "Font Color:"
    QLabel* Label1_2 = nullptr;       // "Background Color:"
    QLabel* Label1_6 = nullptr;       // the font caption
    QPushButton* PushButton[19] = {}; // PushButton[1] to PushButton[18]

    MousePointer& pointer() { return pointer_; }
    Form2* preview() const { return form2_; }
    bool customPointerLoaded() const { return customCursor_.has_value(); }
    // Where the last pick of an output folder is remembered for this run.
    QString LastFolder;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildControls();
    // Places the controls for the content's size: at the design size as
    // designed; larger, the lists take the extra room.
    void layoutControls();
    void tellNotAdded(const QStringList& paths, const QString& what);
    void restoreAppearance(ErrorTrap& trap);
    void applyPointer(int shape);
    void removeSelected(ListView* list);
    // Runs a command; counts how many run at once (they nest through yields).
    template <class F> void command(F&& body);

    WindowUi& ui_;
    QScrollArea* scroll_ = nullptr;
    QWidget* content_ = nullptr;
    QHash<QWidget*, QRect> design_; // each control's place at the design size
    MousePointer pointer_;
    std::optional<QCursor> customCursor_;
    Form2* form2_ = nullptr;
    bool creatingList_ = false; // a run of "2. Start Creating List" is under way
    bool saving_ = false;       // a save of the page is under way
    int runningCommands_ = 0;
};
