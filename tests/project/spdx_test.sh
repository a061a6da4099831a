#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# scripts/add-spdx.sh on a scratch checkout: which files get the header,
# where it goes, that a second run changes nothing, and what --check says.
set -euo pipefail
script=$1
source "${BASH_SOURCE%/*}/scratch.sh"
work=$scratch

mkdir "$work/repo"
cd "$work/repo"
git init -q .
mkdir -p core tests/data .ci
printf '#pragma once\n\nint f();\n' >core/f.h
printf '#include "core/f.h"\n\nint f() { return 1; }\n' >core/f.cpp
printf '#pragma once\n#define V "@PROJECT_VERSION@"\n' >core/version.h.in
printf 'add_library(f f.cpp)\n' >core/CMakeLists.txt
printf 'set(X 1)\n' >tools.cmake
printf '#!/usr/bin/env bash\necho hi\n' >run.sh
printf '#!/usr/bin/env bash\nexec ./run.sh' >.ci/run # no final newline
chmod +x run.sh .ci/run
printf '// SPDX-License-Identifier: MIT\nint g();\n' >core/g.h
printf 'Domain Name: EXAMPLE.COM\n' >tests/data/answer.txt
printf '{"version": 6}\n' >CMakePresets.json
: >core/empty.cpp
git add -A

if out=$("$script" --check .); then
    fail "--check passed with headers missing"
fi
for f in core/f.h core/f.cpp core/version.h.in core/CMakeLists.txt tools.cmake run.sh .ci/run \
    core/empty.cpp; do
    grep -qxF "$f" <<<"$out" || fail "--check does not list $f"
done
for f in core/g.h tests/data/answer.txt CMakePresets.json; do
    if grep -qxF "$f" <<<"$out"; then fail "--check lists $f"; fi
done

cp -a . "$work"/before
"$script" .
expect_first() { # file, line number, text
    [ "$(sed -n "$2p" "$1")" = "$3" ] || fail "$1 line $2 is '$(sed -n "$2p" "$1")', not '$3'"
}
expect_first core/f.h 1 "// SPDX-License-Identifier: MIT"
expect_first core/f.h 2 "#pragma once"
expect_first core/f.cpp 1 "// SPDX-License-Identifier: MIT"
expect_first core/version.h.in 1 "// SPDX-License-Identifier: MIT"
expect_first core/CMakeLists.txt 1 "# SPDX-License-Identifier: MIT"
expect_first tools.cmake 1 "# SPDX-License-Identifier: MIT"
expect_first run.sh 1 "#!/usr/bin/env bash"
expect_first run.sh 2 "# SPDX-License-Identifier: MIT"
expect_first .ci/run 1 "#!/usr/bin/env bash"
expect_first .ci/run 2 "# SPDX-License-Identifier: MIT"
expect_first .ci/run 3 "exec ./run.sh"
expect_first core/empty.cpp 1 "// SPDX-License-Identifier: MIT"
[ -x run.sh ] && [ -x .ci/run ] || fail "a script lost its execute bit"
# The rest of every file is as it was.
[ "$(tail -n +2 core/f.cpp)" = "$(cat "$work"/before/core/f.cpp)" ] || fail "core/f.cpp changed below the header"
[ "$(tail -n +3 .ci/run)" = "$(tail -n +2 "$work"/before/.ci/run)" ] || fail ".ci/run changed below the header"
cmp -s core/g.h "$work"/before/core/g.h || fail "a file with the header was changed"
cmp -s tests/data/answer.txt "$work"/before/tests/data/answer.txt || fail "a data file was changed"
cmp -s CMakePresets.json "$work"/before/CMakePresets.json || fail "a JSON file was changed"
[ -z "$(find . -name '*.spdx.*')" ] || fail "temporary files left behind"

# A second run changes nothing.
cp -a . "$work"/once
"$script" .
diff -r --exclude=.git "$work"/once . >/dev/null || fail "a second run changed files"
"$script" --check . || fail "--check fails after the headers were added"
