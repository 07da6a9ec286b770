// The little of a component framework the manager needs: an owner that
// lists its components and tells each of them when another one joins, a
// name, and the loading and designing states. Lifetime is not the owner's:
// components are ordinary C++ members of the window that owns them, and
// leave their owner's list when they are destroyed.
#pragma once

#include <string>
#include <vector>

namespace dde {

enum TOperation { opInsert };

class TComponent {
 public:
  // The component joins owner (when given) only through InsertIntoOwner,
  // which the most derived constructor calls once the object is whole.
  explicit TComponent(TComponent* owner) : FOwner(owner) {}
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  TComponent* Components(int index) const;

  std::string Name;

  // "Loading": the stored properties are being read (until Loaded).
  bool Loading() const { return FLoading; }
  // "Designing": the component sits in a form designer, not in a running
  // program; it then does nothing at run-time steps.
  bool Designing() const { return FDesigning; }
  void SetDesigning(bool on) { FDesigning = on; }
  void BeginLoading() { FLoading = true; }
  // Called once the stored properties have been read.
  virtual void Loaded() { FLoading = false; }

  // Told to every component of an owner, the new one included, when a
  // component joins that owner.
  virtual void Notification(TComponent& component, TOperation operation);

 protected:
  // Adds this component to its owner and notifies the owner's components;
  // a notification that raises takes it out again and the exception goes on.
  void InsertIntoOwner();

 private:
  void Notify(TComponent& component, TOperation operation);

  TComponent* FOwner;
  std::vector<TComponent*> FComponents;
  bool FInserted = false;
  bool FLoading = false;
  bool FDesigning = false;
};

}  // namespace dde
