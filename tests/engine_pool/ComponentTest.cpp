// The component model: owned components in creation order, freed with their owner, and
// removal notices that work whichever side goes first.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/TComponent.h"
#include "engine/TForm.h"

namespace {

struct Probe : TComponent {
  Probe(TComponent* Owner, std::string Tag, std::vector<std::string>* Journal)
      : TComponent(Owner), FTag(Tag), FJournal(Journal) {
    Name = Tag;
  }
  ~Probe() override {
    Destroying();
    FJournal->push_back("free " + FTag);
  }
  void Loaded() override { FJournal->push_back("load " + FTag); }
  void Notification(TComponent* AComponent, TOperation Operation) override {
    if (Operation == TOperation::opRemove && AComponent != this)
      FJournal->push_back(FTag + " sees " + AComponent->Name + " go");
    TComponent::Notification(AComponent, Operation);
  }
  std::string FTag;
  std::vector<std::string>* FJournal;
};

TEST(ComponentTest, OwnerKeepsOrderAndFreesLastFirst) {
  std::vector<std::string> Journal;
  {
    TComponent Form;
    auto* A = new Probe(&Form, "a", &Journal);
    auto* B = new Probe(&Form, "b", &Journal);
    ASSERT_EQ(2, Form.ComponentCount());
    EXPECT_EQ(A, Form.Components(0));
    EXPECT_EQ(B, Form.Components(1));
    EXPECT_EQ(&Form, A->Owner());
    EXPECT_EQ((std::vector<Probe*>{A, B}), Form.ComponentsOf<Probe>());
  }
  EXPECT_EQ((std::vector<std::string>{"free b", "a sees b go", "free a"}), Journal);
}

TEST(ComponentTest, FormLoadsItsComponentsInOrder) {
  std::vector<std::string> Journal;
  TForm Form;
  new Probe(&Form, "framework", &Journal);
  new Probe(&Form, "pool", &Journal);
  EXPECT_EQ(HWND{}, Form.Handle());
  // Window handles are integers on X11 and pointers on Windows.
  const HWND Window = reinterpret_cast<HWND>(std::uintptr_t{0x2a00005});
  Form.SetHandle(Window);
  EXPECT_EQ(Window, Form.Handle());
  Form.Loaded();
  EXPECT_EQ((std::vector<std::string>{"load framework", "load pool"}), Journal);
}

TEST(ComponentTest, FreeNotificationWorksEitherWay) {
  std::vector<std::string> Journal;
  auto* A = new Probe(nullptr, "a", &Journal);
  auto* B = new Probe(nullptr, "b", &Journal);
  A->FreeNotification(B);
  delete A;
  EXPECT_EQ((std::vector<std::string>{"b sees a go", "free a"}), Journal);
  Journal.clear();

  // The listener goes first: the link goes with it, so nothing reaches a freed object.
  auto* C = new Probe(nullptr, "c", &Journal);
  C->FreeNotification(B);
  delete B;
  delete C;
  EXPECT_EQ((std::vector<std::string>{"c sees b go", "free b", "free c"}), Journal);

  Journal.clear();
  auto* D = new Probe(nullptr, "d", &Journal);
  auto* E = new Probe(nullptr, "e", &Journal);
  D->FreeNotification(E);
  D->RemoveFreeNotification(E);
  delete D;
  delete E;
  EXPECT_EQ((std::vector<std::string>{"free d", "free e"}), Journal);
}

}  // namespace
