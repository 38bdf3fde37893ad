#pragma once

namespace tamberlink {

// The process-wide pointer of a window that exists at most once. The pointer is set when
// the window is constructed and cleared when it is destroyed; a window that is closing no
// longer counts, so a request arriving meanwhile opens a fresh one instead of reusing a
// window about to vanish. `T` derives from WindowImplBase and from this.
template <class T>
class SingleInstance {
public:
    static T* Instance() {
        T* window = static_cast<T*>(instance_);
        return window != nullptr && !window->IsClosing() ? window : nullptr;
    }

protected:
    SingleInstance() { instance_ = this; }
    ~SingleInstance() {
        if (instance_ == this) {
            instance_ = nullptr;
        }
    }
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

private:
    static inline SingleInstance* instance_ = nullptr;
};

} // namespace tamberlink
