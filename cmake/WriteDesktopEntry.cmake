# Writes the launcher entry for the program at PROGRAM, from TEMPLATE to OUTPUT.
# Run at install time, when the prefix the program goes to is known.
# Exec quoting: inside double quotes ", `, $ and \ take a backslash; then the
# value's own escaping doubles every backslash, and % is doubled for the field
# codes (as the program writes its autostart entry).
string(REPLACE "\\" "\\\\" quoted "${PROGRAM}")
string(REPLACE "\"" "\\\"" quoted "${quoted}")
string(REPLACE "`" "\\`" quoted "${quoted}")
string(REPLACE "$" "\\$" quoted "${quoted}")
string(REPLACE "\\" "\\\\" quoted "${quoted}")
string(REPLACE "%" "%%" quoted "${quoted}")
set(QUAVERLOOM_EXEC "\"${quoted}\"")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
