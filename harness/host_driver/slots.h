// The slots of the five operation tables as a host walks them, made from the
// public header's lists: each slot's table, number, name, argument count and,
// where the board does not support it, its stub's constant; the routine a
// record holds there, and for a stub a call with the words a host pushes.
// Whoever lists, calls or checks every slot takes them from here.
#pragma once

#include "include/tvboard.h"

#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>

namespace host_driver {

// The number of arguments of a slot, from its typed stdcall signature (the
// specialisation matches only the calling convention it names).
template <typename T> struct Arity;
template <typename R, typename... A> struct Arity<R(TVB_API*)(A...)> {
    static constexpr size_t value = sizeof...(A);
};

struct Slot {
    const char* table; // the capability record's member: "VideoOps"
    size_t slot;       // its place in the table
    const char* name;  // the member's name
    size_t args;
    bool stub;
    TVB_ARG result; // what the stub returns
    // The routine in this slot of a record's table (whose table is there).
    const void* (*routine)(const TVB_BOARD_MODULE_CAPS& caps);
    // The stub called with its `args` words from `words`; null for an operation.
    TVB_ARG (*call)(const TVB_BOARD_MODULE_CAPS& caps, const TVB_ARG* words);
};

struct Table {
    const char* name;
    const Slot* slots;
    size_t count;
    // The table a record points to (null when it is not there).
    const void* (*in)(const TVB_BOARD_MODULE_CAPS& caps);
};

namespace slots_detail {

template <auto TableMember, auto SlotMember>
const void* Routine(const TVB_BOARD_MODULE_CAPS& caps) {
    return reinterpret_cast<const void*>((caps.*TableMember)->*SlotMember);
}

template <auto TableMember> const void* TableIn(const TVB_BOARD_MODULE_CAPS& caps) {
    return caps.*TableMember;
}

template <typename F, size_t... I>
TVB_ARG CallWords(F f, const TVB_ARG* words, std::index_sequence<I...> /*unused*/) {
    return f(words[I]...);
}

template <auto TableMember, auto SlotMember, size_t Args>
TVB_ARG CallStub(const TVB_BOARD_MODULE_CAPS& caps, const TVB_ARG* words) {
    return CallWords((caps.*TableMember)->*SlotMember, words, std::make_index_sequence<Args>{});
}

} // namespace slots_detail

// The struct of a table, from the record's member that points to it.
#define TVB_HD_TABLE_TYPE(table)                                                                   \
    std::remove_const_t<std::remove_pointer_t<decltype(TVB_BOARD_MODULE_CAPS::table)>>
#define TVB_HD_MEMBER(table, member)                                                               \
    &TVB_BOARD_MODULE_CAPS::table, &TVB_HD_TABLE_TYPE(table)::member

#define TVB_HD_ROUTINE(table, member) slots_detail::Routine<TVB_HD_MEMBER(table, member)>
#define TVB_HD_OP(table, slot, member, type, arguments, routine)                                   \
    Slot{#table, slot, #member, arguments, false, 0, TVB_HD_ROUTINE(table, member), nullptr},
#define TVB_HD_STUB(table, slot, member, arguments, result)                                        \
    Slot{#table,                                                                                   \
         slot,                                                                                     \
         #member,                                                                                  \
         arguments,                                                                                \
         true,                                                                                     \
         result,                                                                                   \
         TVB_HD_ROUTINE(table, member),                                                            \
         slots_detail::CallStub<TVB_HD_MEMBER(table, member), arguments>},
#define TVB_HD_SLOTS(table, type, slots)                                                           \
    inline constexpr Slot k##table##Slots[] = {slots(TVB_HD_OP, TVB_HD_STUB)};
TVB_OPS_TABLES(TVB_HD_SLOTS)
#undef TVB_HD_SLOTS

// Every table in the record's order.
#define TVB_HD_TABLE(table, type, slots)                                                           \
    Table{#table, k##table##Slots, std::size(k##table##Slots),                                     \
          slots_detail::TableIn<&TVB_BOARD_MODULE_CAPS::table>},
inline constexpr Table kTables[] = {TVB_OPS_TABLES(TVB_HD_TABLE)};
#undef TVB_HD_TABLE
inline constexpr size_t kTableCount = std::size(kTables);
// Their places in kTables: kBoardOps, kVideoOps, ...
#define TVB_HD_TABLE_INDEX(table, type, slots) k##table,
enum TableIndex : size_t { TVB_OPS_TABLES(TVB_HD_TABLE_INDEX) };
#undef TVB_HD_TABLE_INDEX

// The most arguments any slot takes.
constexpr size_t MostArguments() {
    size_t most = 0;
    for (const Table& t : kTables) {
        for (size_t i = 0; i < t.count; ++i) {
            most = t.slots[i].args > most ? t.slots[i].args : most;
        }
    }
    return most;
}
inline constexpr size_t kMostArguments = MostArguments();

// The lists' slot numbers are the members' places, and an operation's count
// is its type's (a stub's call would not compile with another).
#define TVB_HD_CHECK_PLACE(table, slot, member)                                                    \
    static_assert(offsetof(TVB_HD_TABLE_TYPE(table), member) == (slot) * sizeof(void*),            \
                  #table "." #member " is not slot " #slot);
#define TVB_HD_CHECK_OP(table, slot, member, type, arguments, routine)                             \
    TVB_HD_CHECK_PLACE(table, slot, member)                                                        \
    static_assert(Arity<type>::value == (arguments),                                               \
                  #table "." #member ": its type takes another number of arguments");
#define TVB_HD_CHECK_STUB(table, slot, member, arguments, result)                                  \
    TVB_HD_CHECK_PLACE(table, slot, member)
#define TVB_HD_CHECK_TABLE(table, type, slots) slots(TVB_HD_CHECK_OP, TVB_HD_CHECK_STUB)
TVB_OPS_TABLES(TVB_HD_CHECK_TABLE)
#undef TVB_HD_CHECK_TABLE
#undef TVB_HD_CHECK_STUB
#undef TVB_HD_CHECK_OP
#undef TVB_HD_CHECK_PLACE
#undef TVB_HD_STUB
#undef TVB_HD_OP
#undef TVB_HD_ROUTINE
#undef TVB_HD_MEMBER
#undef TVB_HD_TABLE_TYPE

} // namespace host_driver
