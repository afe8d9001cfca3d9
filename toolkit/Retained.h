#pragma once
#include <type_traits>

namespace strellon {

// Holds one reference to a counted object (or none) in a slot: the new one
// is retained and the old one released, so the slot owns exactly one. The
// slot alone sets T, so a null next needs no cast.
template <class T>
void replaceRetained(T*& slot, std::type_identity_t<T>* next) {
    if (slot == next) return;
    if (slot) slot->release();
    slot = next;
    if (slot) slot->retain();
}

} // namespace strellon
