// TEvent: an event property, a handler bound to an object or a plain callable.
// It answers "assigned?", can be called, and can tell whether the installed
// handler is a given member routine (whatever instance it is bound to), which
// components need to put back handlers they installed in other objects. A
// handler bound from a form file keeps the name it was bound by, so that the
// form can be written back.
// Not thread-safe: an event is set and raised on its component's thread, where handlers run.
//
//   gen->OnUndoFailed = TGOverFlowEvent::Bind<&Form::UndoFailed>(form);
//   gen->OnUndoFailed = [](TObject* sender, TmString value) { ... };
//   if (ds->OnNewRecord.IsRoutine<&TUniKEY::pNewRecord>()) ...
#pragma once

#include <functional>
#include <string>
#include <type_traits>
#include <utility>

namespace qgen {

namespace detail {
// One distinct address per member routine, shared by every translation unit.
// Not const, so that no linker may fold the identical objects into one.
template <auto Method>
inline char kRoutineId = 0;
}  // namespace detail

template <class... Args>
class TEvent {
 public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}  // NOLINT: `event = nullptr` unassigns

  // Any callable: a lambda, a function, a std::function.
  template <class F, class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, TEvent> &&
                                              !std::is_same_v<std::decay_t<F>, std::nullptr_t> &&
                                              std::is_invocable_v<F&, Args...>>>
  TEvent(F f) : call_(std::move(f)) {}  // NOLINT: implicit, as an assignment of a handler

  // A member routine bound to an object.
  template <auto Method, class C>
  static TEvent Bind(C* object) {
    TEvent event;
    event.call_ = [object](Args... args) { (object->*Method)(std::forward<Args>(args)...); };
    event.routine_ = &detail::kRoutineId<Method>;
    event.object_ = object;
    return event;
  }

  bool Assigned() const { return static_cast<bool>(call_); }
  explicit operator bool() const { return Assigned(); }

  void operator()(Args... args) const { call_(std::forward<Args>(args)...); }

  // True when the handler is the member routine Method, bound to any object.
  template <auto Method>
  bool IsRoutine() const {
    return routine_ == &detail::kRoutineId<Method>;
  }
  // The object a member routine is bound to; nullptr for other callables.
  const void* Object() const { return object_; }

  // The name this handler was registered under (THandlerRegistry), which form
  // files write; "" for a handler assigned in code.
  const std::string& HandlerName() const { return name_; }
  // This handler, carrying `name`.
  TEvent Named(std::string name) const {
    TEvent event = *this;
    event.name_ = std::move(name);
    return event;
  }

  void Clear() { *this = TEvent(); }

 private:
  std::function<void(Args...)> call_;
  const void* routine_ = nullptr;
  const void* object_ = nullptr;
  std::string name_;
};

class TObject;
using TNotifyEvent = TEvent<TObject*>;

}  // namespace qgen
