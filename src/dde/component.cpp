#include "dde/component.h"

#include <algorithm>

namespace dde {

TComponent::~TComponent() {
  if (FInserted && FOwner) {
    auto& list = FOwner->FComponents;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
  for (TComponent* c : FComponents) c->FOwner = nullptr;
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return FComponents[static_cast<std::size_t>(index)];
}

void TComponent::Notification(TComponent&, TOperation) {}

void TComponent::Notify(TComponent& component, TOperation operation) {
  // A copy: a notification may change the list.
  const std::vector<TComponent*> components = FComponents;
  for (TComponent* c : components) c->Notification(component, operation);
}

void TComponent::InsertIntoOwner() {
  if (!FOwner || FInserted) return;
  FOwner->FComponents.push_back(this);
  FInserted = true;
  try {
    FOwner->Notify(*this, opInsert);
  } catch (...) {
    auto& list = FOwner->FComponents;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FInserted = false;
    throw;
  }
}

}  // namespace dde
