// A form with a real window, two resource pools and the device framework on the fake backend,
// with every event, device phase, message box and close request written into one journal.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/TForm.h"
#include "engine/TW9DirectX.h"
#include "engine/TWPool.h"
#include "engine_d3d/FakeTimeSource.h"
#include "platform/render/fake/FakeDevice9.h"
#include "platform/render/fake/FakeDirect3D9.h"
#include "platform/window/TApplication.h"
#include "platform/window/TWindow.h"

TApplication& App();

using TJournal = std::vector<std::string>;

// A pool item that notes each device phase it is taken through under its pool's tag.
class PhaseProbe : public TWCollectionItem {
 public:
  PhaseProbe(TWCollection* Collection, std::string Tag, TJournal* Journal)
      : TWCollectionItem(Collection), FTag(std::move(Tag)), FJournal(Journal) {}
  HRESULT InitDeviceObjects() override { return Note("init"); }
  HRESULT RestoreDeviceObjects() override { return Note("restore"); }
  HRESULT InvalidateDeviceObjects() override { return Note("invalidate"); }
  HRESULT DeleteDeviceObjects() override { return Note("delete"); }

 private:
  HRESULT Note(const char* Phase) {
    FJournal->push_back(FTag + " " + Phase);
    return S_OK;
  }
  std::string FTag;
  TJournal* FJournal;
};

struct TShownBox {
  std::string Text;
  UINT Type = 0;
};

class FrameworkTest : public ::testing::Test {
 protected:
  FrameworkTest();
  ~FrameworkTest() override;

  // Builds the fake Direct3D object from Machine, selects it and loads the form.
  void Load(const FakeMachine& Machine = FakeMachine::Typical());
  // Load, then Start, which must succeed; the journal is cleared afterwards.
  void LoadAndStart(const FakeMachine& Machine = FakeMachine::Typical());
  // One frame a tenth of a second after the previous one.
  HRESULT Frame();
  // Moves and resizes the form's window (outer rectangle, screen coordinates).
  void PlaceWindow(int X, int Y, int Width, int Height);

  FakeDevice9* Device() const { return D3D ? D3D->LastDevice() : nullptr; }
  FakeRecorder& Log() { return D3D->Recorder(); }
  HWND Window() const { return FWindow->Handle(); }
  // Messages that reached the form's own procedure (behind the framework's hook).
  int Seen(UINT Msg) const;
  // The journal entries from Index on.
  TJournal JournalFrom(std::size_t Index) const;

  TJournal Journal;
  std::vector<TShownBox> Boxes;
  std::vector<MSG> FormMessages;
  std::shared_ptr<FakeTimeSource> Clock = std::make_shared<FakeTimeSource>();
  Ref<FakeDirect3D9> D3D;
  // Result of the render event; DefaultPresent is set to RenderPresents.
  HRESULT RenderResult = S_OK;
  bool RenderPresents = true;
  // The form stops the framework when asked to close, as the saver window does.
  bool StopOnClose = false;
  int Renders = 0;
  int FrameMoves = 0;

  std::unique_ptr<TWindow> FWindow;
  std::unique_ptr<TForm> Form;
  TW9DirectX* DX = nullptr;
  TWPool* Pool1 = nullptr;
  TWPool* Pool2 = nullptr;
};
