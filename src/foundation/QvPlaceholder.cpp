// STOP: before you write code here, read /work/main/DEVELOPERS.md in full (rules on naming, comments,
// tests, the shared work tree, the commit form `git add <paths> && git commit -m ... -- <paths>`, and the
// deadline). Delete this placeholder once the library has real sources.
