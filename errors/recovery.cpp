#include "errors/recovery.h"

namespace errors {

AbortEachStep::AbortEachStep() : m_scope([](Error& e) -> Action { throw Unwind(e); }) {}

bool AbortEachStep::run(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const Unwind&) {
        return false;
    }
}

bool recoverTurn(const std::function<void()>& turn, const std::function<void()>& cleanUp,
                 const std::function<void(const Error&)>& onAbandoned) {
    try {
        turn();
        return true;
    } catch (const Unwind& unwind) {
        if (cleanUp) AbortEachStep().run(cleanUp);
        if (onAbandoned) onAbandoned(unwind.error());
        return false;
    }
}

}  // namespace errors
