// Containers whose elements live in core blocks of a run's environment: the graded
// engine's way of keeping the one allocation rule (alloc.h). A block the environment
// refuses throws std::bad_alloc, which the engine's entry points catch.
#pragma once

#include "core/base/alloc.h"

#include <cstddef>
#include <map>
#include <new>
#include <vector>

template <class T> class env_allocator {
  public:
    using value_type = T;

    explicit env_allocator(const calc_env &env) : env_(&env) {}
    template <class U> env_allocator(const env_allocator<U> &other) : env_(other.env()) {}

    T *allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        void *block = core_alloc(*env_, n * sizeof(T));
        if (!block) throw std::bad_alloc();
        return static_cast<T *>(block);
    }
    void deallocate(T *p, std::size_t) { core_release(p); }

    const calc_env *env() const { return env_; }
    template <class U> bool operator==(const env_allocator<U> &other) const {
        return env_ == other.env();
    }

  private:
    const calc_env *env_;
};

template <class T> using env_vector = std::vector<T, env_allocator<T>>;

template <class K, class V, class Less = std::less<K>>
using env_map = std::map<K, V, Less, env_allocator<std::pair<const K, V>>>;
