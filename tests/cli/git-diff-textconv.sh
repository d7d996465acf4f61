#!/bin/sh
# git diff and git log -p show a spawn file through `spawn-tool export`, as the README sets it up:
# two commits that change one field of one record show exactly that record's line, removed and added.
set -eu
tool="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A repository of its own, untouched by the user's or the system's git settings.
export HOME="$work" GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.invalid \
  GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.invalid GIT_PAGER=cat
repo="$work/repo"
mkdir "$repo" && cd "$repo"
git init -q
echo '*.data diff=spawn' > .gitattributes
git config diff.spawn.textconv "$tool export"

"$tool" demo "$work/world" --areas 30 > /dev/null
cp "$work/world/mobset.data" mobset.data
git add .gitattributes mobset.data
git commit -q -m "demo world"

# Double the respawn time (third value of an entry line) of the first creature entry from record
# 17 on, by way of the JSON form, and write the file back.
"$tool" export mobset.data -o "$work/before.json" > /dev/null
awk 'NR == 1 { print; next }
     /^ \{/ { record++ }
     record >= 17 && /^  \[/ && !done { split($0, v, ", "); v[3] = v[3] * 2; line = v[1];
       for (i = 2; i <= length(v); i++) line = line ", " v[i]; print line; done = 1; next }
     { print }' "$work/before.json" > "$work/after.json"
"$tool" import "$work/after.json" -o mobset.data > /dev/null
git commit -q -am "longer respawn in area 17"

fail() { echo "FAIL: $*"; echo "$shown"; exit 1; }
for command in "git diff HEAD~1 HEAD" "git log -p -1"; do
  shown="$($command)"
  removed="$(printf '%s\n' "$shown" | grep -c '^-  \[' || true)"
  added="$(printf '%s\n' "$shown" | grep -c '^+  \[' || true)"
  other="$(printf '%s\n' "$shown" | grep '^[-+]' | grep -vc '^\(---\|+++\|[-+]  \[\)' || true)"
  [ "$removed" = 1 ] && [ "$added" = 1 ] && [ "$other" = 0 ] || fail "$command: $removed removed, $added added, $other other lines"
  old="$(printf '%s\n' "$shown" | sed -n 's/^-  \[[^,]*, [^,]*, \([^,]*\),.*/\1/p')"
  new="$(printf '%s\n' "$shown" | sed -n 's/^+  \[[^,]*, [^,]*, \([^,]*\),.*/\1/p')"
  [ "$new" = "$((old * 2))" ] || fail "$command: respawn time $old -> $new"
done
# Without the conversion git sees only a binary file.
shown="$(git diff --no-textconv HEAD~1 HEAD)"
printf '%s\n' "$shown" | grep -q '^Binary files' || fail "binary without textconv"
printf "%s\n" "$(git diff HEAD~1 HEAD | grep "^[-+]")"
