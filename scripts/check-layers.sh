#!/usr/bin/env bash
# Checks from the #include lines that the layers run one way:
#   platform/ < controls/, library/ < core/ < jobs/ < window folders < app/
# - a folder includes only its own files and those of lower layers; a window folder may also
#   include shell/ (the bases of every window), but shell/ includes no other window folder;
# - no two folders include each other, directly or round a loop;
# - no two files include each other, directly or round a loop (a .cpp and its .h count as one).
# Prints each breach and exits 1 when there is one. Tests, benchmarks, tools and the separate
# order program are not part of the layers.
set -euo pipefail
cd "$(dirname "$0")/.."

awk '
function rank(f) {
    if (f == "platform") return 0
    if (f == "controls" || f == "library") return 1
    if (f == "core") return 2
    if (f == "jobs") return 3
    if (f == "shell" || f == "player" || f == "cd" || f == "songs" || f == "convert" || f == "burner") return 4
    if (f == "app") return 5
    return -1
}
FNR == 1 {
    file = FILENAME
    split(file, parts, "/")
    folder = parts[1]
    unit = file
    sub(/\.(h|cpp)$/, "", unit)
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
    line = $0
    sub(/^[^"]*"/, "", line)
    sub(/".*$/, "", line)
    target = line
    if (index(target, "/") == 0) target = folder "/" target
    n = split(target, tp, "/")
    tfolder = tp[1]
    if (rank(tfolder) < 0) next
    tunit = target
    sub(/\.(h|cpp)$/, "", tunit)
    if (tunit != unit && index(edges[unit] " ", " " tunit " ") == 0) edges[unit] = edges[unit] " " tunit
    if (tfolder == folder) next
    fe = folder SUBSEP tfolder
    if (!(fe in folderEdge)) { folderEdge[fe] = file; folderAdj[folder] = folderAdj[folder] " " tfolder }
    r = rank(folder); tr = rank(tfolder)
    if (tr > r || (tr == r && !(r == 4 && tfolder == "shell" && folder != "shell"))) {
        printf "layer: %s includes %s\n", file, target
        bad = 1
    }
}
function dfs(node, adjName,    list, k, i, next_) {
    state[adjName, node] = 1
    stack[++depth] = node
    k = split((adjName == "f" ? folderAdj[node] : edges[node]), list, " ")
    for (i = 1; i <= k; i++) {
        next_ = list[i]
        if (next_ == "") continue
        if (state[adjName, next_] == 1) {
            for (j = depth; j >= 1 && stack[j] != next_; j--) ;
            cyc = ""
            for (; j <= depth; j++) cyc = cyc stack[j] " -> "
            printf "loop (%s): %s%s\n", (adjName == "f" ? "folders" : "files"), cyc, next_
            bad = 1
        } else if (state[adjName, next_] == 0) {
            dfs(next_, adjName)
        }
    }
    depth--
    state[adjName, node] = 2
}
END {
    for (f in folderAdj) if (state["f", f] == 0) dfs(f, "f")
    for (f in edges) if (state["x", f] == 0) dfs(f, "x")
    if (bad) { print "the layers do not run one way (see above)"; exit 1 }
    print "layers: every include runs one way"
}
' $(git ls-files 'platform/*.h' 'platform/*.cpp' 'controls/*.h' 'controls/*.cpp' 'library/*.h' 'library/*.cpp' \
    'core/*.h' 'core/*.cpp' 'jobs/*.h' 'jobs/*.cpp' 'shell/*.h' 'shell/*.cpp' 'player/*.h' 'player/*.cpp' \
    'cd/*.h' 'cd/*.cpp' 'songs/*.h' 'songs/*.cpp' 'convert/*.h' 'convert/*.cpp' 'burner/*.h' 'burner/*.cpp' \
    'app/*.h' 'app/*.cpp')
