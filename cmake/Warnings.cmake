# Warnings are errors on every compiler the project builds with.
add_compile_options(-Wall -Wextra -Werror -Wshadow -Wcast-qual
                    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor>)
