#include "vesk_stringlist.h"

#include <stdlib.h>
#include <string.h>

const vesk_string& vesk_stringlistIterator::operator*() const { return list_->at(index_); }

vesk_stringlist::vesk_stringlist() : items_(0), count_(0), capacity_(0) {}

vesk_stringlist::vesk_stringlist(const vesk_stringlist& other) : vesk_stringlist() { *this = other; }

vesk_stringlist::vesk_stringlist(const vesk_string& text, char separator) : vesk_stringlist()
{
    if (text.length() == 0)
        return;
    const char* start = text.c_str();
    const char* end = start + text.length();
    for (;;) {
        const char* cut = static_cast<const char*>(memchr(start, separator, static_cast<size_t>(end - start)));
        const char* stop = cut ? cut : end;
        vesk_string item;
        // Build the item without a temporary NUL: copy into a local text.
        size_t size = static_cast<size_t>(stop - start);
        char small[64];
        char* piece = size < sizeof small ? small : static_cast<char*>(malloc(size + 1));
        if (piece) {
            memcpy(piece, start, size);
            piece[size] = 0;
            item = piece;
            if (piece != small)
                free(piece);
        }
        *this << item;
        if (!cut)
            break;
        start = cut + 1;
    }
}

vesk_stringlist::~vesk_stringlist() { clear(); }

void vesk_stringlist::clear()
{
    for (unsigned i = 0; i < count_; ++i)
        items_[i].~vesk_string();
    free(items_);
    items_ = 0;
    count_ = 0;
    capacity_ = 0;
}

bool vesk_stringlist::grow()
{
    if (count_ < capacity_)
        return true;
    unsigned wanted = capacity_ ? capacity_ * 2 : 8;
    if (wanted < capacity_ || wanted > 0x1000000u)
        return false;
    vesk_string* block = static_cast<vesk_string*>(malloc(sizeof(vesk_string) * wanted));
    if (!block)
        return false;
    // vesk_string keeps a pointer into itself, so items are copied, not moved bytewise.
    for (unsigned i = 0; i < count_; ++i) {
        new (&block[i]) vesk_string(items_[i]);
        items_[i].~vesk_string();
    }
    free(items_);
    items_ = block;
    capacity_ = wanted;
    return true;
}

vesk_stringlist& vesk_stringlist::operator=(const vesk_stringlist& other)
{
    if (this == &other)
        return *this;
    clear();
    for (unsigned i = 0; i < other.count_; ++i)
        *this << other.items_[i];
    return *this;
}

vesk_stringlist& vesk_stringlist::operator<<(const vesk_string& item)
{
    if (count_ == capacity_ && &item >= items_ && &item < items_ + count_) {
        // Appending one of our own items: growing would move it away.
        vesk_string copy(item);
        return *this << copy;
    }
    if (grow()) {
        new (&items_[count_]) vesk_string(item);
        ++count_;
    }
    return *this;
}

vesk_string vesk_stringlist::toString(char separator) const
{
    vesk_string result;
    const char between[2] = {separator, 0};
    for (unsigned i = 0; i < count_; ++i) {
        if (i > 0)
            result += between;
        result += items_[i];
    }
    return result;
}

const vesk_string& vesk_stringlist::at(unsigned index) const { return index < count_ ? items_[index] : empty_; }
