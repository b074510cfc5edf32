# Warnings for our own targets; -Werror in CI (QGEN_WERROR) and sanitizers on demand.
function(qgen_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(QGEN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(QGEN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()
