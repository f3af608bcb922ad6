# The faults of one_fault.cpp, one library each (faulty_<name>, built with
# -DFAULT_<NAME>): the native build's and the MSVC-ABI flavor's (msvc/faulty)
# lists are this one.
set(VESK_ONE_FAULTS keeps_null_reply reads_after_release reads_past_end frees_reply keeps_record leaks_per_event
  leading_zero two_blanks double_free deletes_host exits slow returns_word keeps_answer frees_answer_twice
  leaks_per_query unterminated_answer static_text_answer sends_at_unload prints_and_debugs)
