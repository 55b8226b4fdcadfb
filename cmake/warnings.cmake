# The warnings every target of this project builds with. Whether they are
# errors is the preset's choice (CMAKE_COMPILE_WARNING_AS_ERROR).
function(d88cut_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  elseif(MSVC)
    target_compile_options(${target} PRIVATE /W4)
  endif()
endfunction()
