// A base for classes that own something that must not be shared by copies (threads, handles,
// pixel blocks, folders on disk): derive privately to delete copying.
#pragma once

class NonCopyable
{
protected:
    NonCopyable() = default;
    ~NonCopyable() = default;

public:
    NonCopyable(const NonCopyable &) = delete;
    NonCopyable &operator=(const NonCopyable &) = delete;
};
