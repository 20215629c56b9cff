// The restore dialog: shows the backup slot and can write it back.
#pragma once

#include <windows.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "ui/MyLibrary.h"
#include "ui/RestoreDialog.h"

namespace vornek {

// Thrown when Windows does not create the dialog.
struct DialogNotCreated : std::runtime_error {
    DialogNotCreated() : std::runtime_error("the restore dialog could not be created") {}
};

// The form: a top-level window of class "TForm2" with three panels (the mail ID on
// top, the source in a memo, the buttons at the bottom), 487 x 418 pixels, centred
// on the screen, sizeable. It lives for one setup call.
class TForm2 {
  public:
    // Throws DialogNotCreated when Windows does not create the form or its memo.
    TForm2();
    ~TForm2();
    TForm2(const TForm2&) = delete;
    TForm2& operator=(const TForm2&) = delete;

    // Shows the slot's source and mail ID; Restore is enabled only for a capture.
    void ShowBackup(const TBuckup& backup);
    // Shows the dialog modally until the user closes it or confirms Restore.
    void ShowModal();

  private:
    struct Resources;

    void FormCreate();
    void btnUndoClick();
    void BitBtn1Click();
    void Close() { closed_ = true; }
    void Click(int id);
    void LayOut();
    void CreateComponents();
    void DrawButton(const DRAWITEMSTRUCT& item);
    static INT_PTR CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::unique_ptr<Resources> resources_;
    HWND form_ = nullptr;
    bool closed_ = false;
    bool componentsCreated_ = false;
    bool restoreConfirmed_ = false;
    Win32Prompts prompts_;
};

}  // namespace vornek
