#!/bin/sh
# git merges spawn files through `spawn-tool merge`, set up as the README shows: branches that change
# different records (one of them also inserting one) merge into a file holding every change, byte
# for byte; branches that set one field to different values leave git reporting a conflict, with a
# valid file holding ours' value and the conflict named in the driver's output.
set -eu
tool="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# A repository of its own, untouched by the user's or the system's git settings.
export HOME="$work" GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.invalid \
  GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.invalid GIT_PAGER=cat GIT_MERGE_AUTOEDIT=no
repo="$work/repo"
mkdir "$repo" && cd "$repo"
git init -q
git checkout -q -b main
echo '*.data merge=spawn diff=spawn' > .gitattributes
git config merge.spawn.name "spawn file merge"
git config merge.spawn.driver "$tool merge %O %A %B -o %A --no-backup"
git config diff.spawn.textconv "$tool export"

"$tool" demo "$work/world" --areas 30 > /dev/null
cp "$work/world/mobset.data" mobset.data
git add .gitattributes mobset.data
git commit -q -m "demo world"
"$tool" export mobset.data -o "$work/base.json" > /dev/null

fail() { echo "FAIL: $*"; exit 1; }

# Edits of an export, one record per line block: the first entry's respawn time of record $2 set to
# $3; and a copy of record $3, its first area value set to $4, inserted before record $2.
respawn() {
  awk -v n="$2" -v v="$3" '
    /^ \{/ { r++; done = 0 }
    r == n && /^  \[/ && !done {
      match($0, /^  \[[^,]*, [^,]*, /); head = substr($0, 1, RLENGTH); rest = substr($0, RLENGTH + 1)
      sub(/^[^],]*/, v, rest); $0 = head rest; done = 1 }
    { print }' "$1"
}
insert() {
  awk -v n="$2" -v m="$3" -v v="$4" '
    NR == FNR { if (/^ \{/) r++; if (r == m && (/^ \{/ || /^  \[/)) block = block $0 "\n"; next }
    /^ \{/ { r2++; if (r2 == n) { sub(/^ \{"area": \[[^,]*/, " {\"area\": [" v, block); printf "%s", block } }
    { print }' "$1" "$1"
}
commit_on() { # branch, JSON, message
  cmp -s "$2" "$work/base.json" && fail "$3: the edit changed nothing"
  git checkout -q -b "$1" main
  "$tool" import "$2" -o mobset.data --no-backup > /dev/null
  git commit -q -am "$3"
}

# Left changes record 5; right changes record 20 and inserts a record before record 12.
respawn "$work/base.json" 5 1111 > "$work/left.json"
respawn "$work/base.json" 20 2222 > "$work/right-changed.json"
insert "$work/right-changed.json" 12 3 9999 > "$work/right.json"
respawn "$work/right.json" 5 1111 > "$work/both.json"
"$tool" import "$work/both.json" -o "$work/expected.data" > /dev/null
[ "$(grep -c '^ {' "$work/right.json")" = 31 ] || fail "the insert edit did not insert"
commit_on left "$work/left.json" "longer respawn in area 5"
commit_on right "$work/right.json" "area 20 and a new area"

git checkout -q left
git merge -q right -m "merge right" > "$work/merged.log" 2>&1 || { cat "$work/merged.log"; fail "git merge reported a conflict"; }
cmp mobset.data "$work/expected.data" || fail "the merged file is not both branches' edits"
grep -q '"conflicts":\[\]' "$work/merged.log" ||
  { cat "$work/merged.log"; fail "the driver's output"; }
[ "$(git log --format=%s -1)" = "merge right" ] || fail "no merge commit"
[ -z "$(git status --porcelain --untracked-files=all)" ] || { git status --porcelain; fail "the merge left files behind"; }

# Both set the respawn time of record 9, to different values.
respawn "$work/base.json" 9 3000 > "$work/ours.json"
respawn "$work/base.json" 9 4000 > "$work/theirs.json"
commit_on ours "$work/ours.json" "respawn 3000 in area 9"
commit_on theirs "$work/theirs.json" "respawn 4000 in area 9"
git checkout -q ours
cp mobset.data "$work/ours.data"
if git merge theirs -m "merge theirs" > "$work/conflict.log" 2>&1; then
  cat "$work/conflict.log"; fail "git merged a field changed on both sides"
fi
grep -q "CONFLICT (content): Merge conflict in mobset.data" "$work/conflict.log" || { cat "$work/conflict.log"; fail "no conflict reported"; }
grep -q '"kind":"field","field":23,"label":"TimeResp: ","base":"[0-9]*","ours":"3000","theirs":"4000"' "$work/conflict.log" ||
  { cat "$work/conflict.log"; fail "the conflict is not named in the driver's output"; }
cmp mobset.data "$work/ours.data" || fail "the conflicted file does not hold ours' value"
"$tool" check mobset.data > /dev/null || fail "the conflicted file does not load whole"
git status --porcelain | grep -q '^UU mobset.data' || fail "git does not list the file as unmerged"

# Taking theirs' side of every conflict from git's three stages, as the README shows.
git show :1:mobset.data > "$work/stage1.data"
git show :2:mobset.data > "$work/stage2.data"
git show :3:mobset.data > "$work/stage3.data"
"$tool" merge "$work/stage1.data" "$work/stage2.data" "$work/stage3.data" --prefer theirs -o mobset.data > /dev/null ||
  fail "--prefer theirs left a conflict"
git show theirs:mobset.data | cmp - mobset.data || fail "the file does not hold theirs' value"
git add mobset.data && git commit -q -m "merge theirs" || fail "the resolved merge does not commit"
cat "$work/merged.log" "$work/conflict.log"
