// Placeholder until the editor code lands; read /work/main/DEVELOPERS.md first. Delete once real sources exist.
