# The warnings of every target of ours; third-party headers come in as system includes. They
# are errors only where the project asks for it (KIVRANO_WERROR, set by scripts/test.sh), so
# a compiler's false warning cannot stop a user's or a packager's build.
function(kivrano_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast)
  if(KIVRANO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
