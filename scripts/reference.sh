#!/usr/bin/env bash
# reference.sh [DIR]: builds the library's reference (HTML in DIR/html,
# default build/reference) from the public headers with Doxygen. Any warning,
# an undocumented public member among them, fails the run; so does a method
# of the four components whose entry lacks its error style, what it returns
# on failure or its defaults.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/reference}
rm -rf "$out"
mkdir -p "$out"
start=$(date +%s%N)
(cat docs/Doxyfile; echo "OUTPUT_DIRECTORY = $out") | doxygen -
ms=$(( ($(date +%s%N) - start) / 1000000 ))

# One line per public method of the four classes: its name and the headings
# its entry carries. Constructors, the destructor and deleted operators are
# not interface methods.
methods=$(awk '
    /<compoundname>/ { sub(/.*<compoundname>vexo::/, ""); sub(/<.*/, ""); cls = $0 }
    /<memberdef kind="function" [^>]*prot="public"/ { inm = 1; name = ""; heads = ""; next }
    inm && /<name>/ && name == "" { name = $0; sub(/.*<name>/, "", name); sub(/<.*/, "", name) }
    inm && /<title>Error style<\/title>/ { heads = heads " style" }
    inm && /<title>On failure<\/title>/ { heads = heads " failure" }
    inm && /<title>Defaults<\/title>/ { heads = heads " defaults" }
    inm && /<\/memberdef>/ {
        inm = 0
        if (name != cls && name !~ /^~/ && name !~ /^operator/) print cls "::" name ":" heads
    }' "$out"/xml/classvexo_1_1{DX7Draw,DXInput,DX7Sound,DXMusic}.xml)
count=$(printf '%s\n' "$methods" | grep -c . || true)
missing=$(printf '%s\n' "$methods" | grep -v -E ': style failure defaults$' || true)
if [ "$count" -eq 0 ] || [ -n "$missing" ]; then
    echo "reference: methods without their error style, failure result or defaults:" >&2
    printf '%s\n' "${missing:-(no methods found)}" >&2
    exit 1
fi

# Documented entities (with a summary or a description), each counted once:
# "members" are functions, fields, types, enumerations and enumerators;
# "classes" are classes and structures.
count_documented() {
    awk -v want="$1" '
        function idof(line) { sub(/.* id="/, "", line); sub(/".*/, "", line); return line }
        /<compounddef / { cid = idof($0); ckind = $0; sub(/.* kind="/, "", ckind); sub(/".*/, "", ckind); cdesc = 0 }
        /<memberdef / { mid = idof($0); inm = 1; mdesc = 0 }
        /<enumvalue / { eid = idof($0); inev = 1; edesc = 0 }
        /<(brief|detailed)description>/ { indesc = 1 }
        indesc && /<para>/ { if (inev) edesc = 1; else if (inm) mdesc = 1; else cdesc = 1 }
        /<\/(brief|detailed)description>/ { indesc = 0 }
        /<\/enumvalue>/ { if (edesc && want == "members") print eid; inev = 0 }
        /<\/memberdef>/ { if (mdesc && want == "members") print mid; inm = 0 }
        /<\/compounddef>/ { if (cdesc && want == "classes" && (ckind == "class" || ckind == "struct")) print cid }
    ' "$out"/xml/*.xml | sort -u | wc -l
}
members=$(count_documented members)
classes=$(count_documented classes)
echo "reference: $out/html/index.html; $classes classes and $members members documented;" \
     "$count component methods checked; Doxygen took ${ms} ms"
