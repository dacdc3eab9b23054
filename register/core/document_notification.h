// TDocumentNotification: one thing a document tells its views. Any number
// of views subscribe, and each hears every notification in the order they
// subscribed, so no view has to know who else listens (the table's own
// events have one slot each, which the document keeps for itself). GUI
// thread only.
#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

template <class... Args>
class TDocumentNotification {
 public:
  using TSubscriber = std::function<void(Args...)>;

  // REQUIRES: not while the notification is being told.
  void Subscribe(TSubscriber subscriber) { FSubscribers.push_back(std::move(subscriber)); }
  bool HasSubscribers() const { return !FSubscribers.empty(); }
  // Tells every subscriber; an exception from one stops the rest.
  void operator()(Args... args) const {
    for (const TSubscriber& subscriber : FSubscribers) subscriber(args...);
  }

 private:
  std::vector<TSubscriber> FSubscribers;
};
