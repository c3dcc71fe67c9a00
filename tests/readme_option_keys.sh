# Sourced by the tests: readme_option_keys FILE prints, one a line, every
# backticked key in the first column of the option table under FILE's
# "## Options" heading (docs/options.md).
readme_option_keys() {
  awk -F'|' '
    /^## / { inOptions = ($0 == "## Options") }
    inOptions && /^\| *`/ {
      cell = $2
      while (match(cell, /`[^`]+`/)) {
        print substr(cell, RSTART + 1, RLENGTH - 2)
        cell = substr(cell, RSTART + RLENGTH)
      }
    }' "$1"
}
