# Wraps an annual list into a C++ source as one string constant.
# -DINPUT=list.txt -DOUTPUT=file.cpp -DSYMBOL=name
file(READ "${INPUT}" text)
file(WRITE "${OUTPUT}"
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <string_view>\n"
  "// A whole curve is one literal, longer than the minimum the standard asks\n"
  "// compilers to accept; every compiler the project uses takes it.\n"
  "#pragma GCC diagnostic ignored \"-Woverlength-strings\"\n"
  "namespace kal {\n"
  "extern const std::string_view ${SYMBOL};\n"
  "const std::string_view ${SYMBOL} = R\"KALLIST(${text})KALLIST\";\n"
  "}  // namespace kal\n")
