#include "text/buf.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstring>

KwError KwBufReserve(KwBuf* b, size_t cap, size_t most) {
    if (cap <= b->cap && b->p) return {};
    size_t grown = std::min(b->cap + b->cap / 2, most);
    if (grown > cap) cap = grown;
    void* room = nullptr;
    if (glPlat.Alloc(cap + 1, &room) != 0) return KwError(kTxtWhyNoMemory);
    auto* p = static_cast<char*>(room);
    if (b->len) std::memcpy(p + b->at, b->text(), b->len);
    glPlat.Free(b->p);
    b->p = p;
    b->cap = cap;
    return {};
}

KwBuf& KwBuf::operator=(KwBuf&& o) noexcept {
    if (this == &o) return *this;
    glPlat.Free(p);
    p = o.p, len = o.len, cap = o.cap, at = o.at;
    o.p = nullptr;
    o.len = o.cap = o.at = 0;
    return *this;
}

KwBuf::~KwBuf() {
    glPlat.Free(p);
}

KwError KwBufAssign(KwBuf* b, std::string_view text, size_t at) {
    b->len = b->at = 0;
    if (KwError e = KwBufReserve(b, at + text.size())) return e;
    b->at = at;
    std::memcpy(b->text(), text.data(), text.size());
    b->len = text.size();
    b->text()[b->len] = '\0';
    return {};
}
