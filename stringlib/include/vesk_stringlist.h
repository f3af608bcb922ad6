// vesk_stringlist: an ordered list of texts, and its iterator.
//
// Ownership: the list owns copies of its items (one malloc'd array). An
// iterator points into one list and is valid while that list lives
// unchanged. Splitting an empty text gives no items; "a,,b" gives three.
// When memory runs out an append is dropped; nothing fails loudly.
#ifndef VESK_STRINGLIST_H
#define VESK_STRINGLIST_H

#include "vesk_string.h"

class vesk_stringlist;

class VESK_STRING_API vesk_stringlistIterator {
public:
    vesk_stringlistIterator(const vesk_stringlist* list, unsigned index) : list_(list), index_(index) {}

    const vesk_string& operator*() const;
    vesk_stringlistIterator& operator++()
    {
        ++index_;
        return *this;
    }
    bool operator!=(const vesk_stringlistIterator& other) const
    {
        return list_ != other.list_ || index_ != other.index_;
    }

private:
    const vesk_stringlist* list_;
    unsigned index_;
};

class VESK_STRING_API vesk_stringlist {
public:
    vesk_stringlist();
    vesk_stringlist(const vesk_stringlist& other);
    // Items of `text` between the separators, in order.
    vesk_stringlist(const vesk_string& text, char separator);
    virtual ~vesk_stringlist();

    vesk_stringlist& operator=(const vesk_stringlist& other);
    vesk_stringlist& operator<<(const vesk_string& item);

    // The items joined with `separator` between them ("" for no items).
    vesk_string toString(char separator) const;

    vesk_stringlistIterator begin() const { return vesk_stringlistIterator(this, 0); }
    vesk_stringlistIterator end() const { return vesk_stringlistIterator(this, count_); }

    unsigned count() const { return count_; }
    // Item `index`; the empty text past the end.
    const vesk_string& at(unsigned index) const;

private:
    void clear();
    bool grow();

    vesk_string* items_;
    unsigned count_;
    unsigned capacity_;
    vesk_string empty_;
};

#endif
