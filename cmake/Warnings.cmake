# Warnings are errors for every target of ours; third-party headers come in as system includes.
function(kivrano_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual -Wold-style-cast -Werror)
endfunction()
