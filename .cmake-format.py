# How CMake files are laid out and linted (cmake-format and cmake-lint read this file).
with section("format"):
    line_width = 120
    tab_size = 2
    dangle_parens = False
    max_subgroups_hwrap = 3
    max_pargs_hwrap = 8

with section("markup"):
    # Comments are prose: kept as written, not re-flowed.
    enable_markup = False

with section("lint"):
    # Local variables start with an underscore; function arguments are lower case.
    local_var_pattern = "_?[a-z][a-z0-9_]+"
    private_var_pattern = "_[0-9a-z_]+"
