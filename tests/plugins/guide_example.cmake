# Writes the C example of docs/writing-plugins.md (its one ```c block) to OUTPUT, as it stands.
file(READ ${GUIDE} guide)
string(REGEX MATCH "```c\n([^`]*)```" block "${guide}")
if(NOT CMAKE_MATCH_1)
  message(FATAL_ERROR "${GUIDE} holds no ```c block")
endif()
file(WRITE ${OUTPUT} "${CMAKE_MATCH_1}")
