// The evidence report's interaction. Embedded in the page at build time;
// the page's Content-Security-Policy allows exactly these bytes (by hash).
//
// Everything it works with is in the page already, which reads the same
// without it: it sorts and filters the ranking, and in a pair's view a click
// on a highlighted stretch scrolls the other side to its twin and marks both.
'use strict';

(function () {
  // The ranking: a click on a column's heading sorts by it (again: the
  // other way round); the filter keeps the rows whose names hold the text.
  function setUpRanking(table) {
    const body = table.tBodies[0];
    const rows = Array.from(body.rows);
    const names = rows.map((row) =>
      Array.from(row.querySelectorAll('.name'), (cell) => cell.textContent.toLowerCase()));
    const headings = Array.from(table.tHead.rows[0].cells);

    function key(row, column) {
      const cell = row.cells[column];
      const value = cell.getAttribute('data-v');
      return value === null ? cell.textContent : Number(value);
    }

    function sortBy(column, descending) {
      const keyed = rows.map((row, index) => ({ row, index, key: key(row, column) }));
      keyed.sort((x, y) => {
        // Not-a-number scores stay last, whichever the direction.
        const xNan = typeof x.key === 'number' && Number.isNaN(x.key);
        const yNan = typeof y.key === 'number' && Number.isNaN(y.key);
        if (xNan !== yNan) return xNan ? 1 : -1;
        let order = 0;
        if (!xNan && x.key !== y.key) order = x.key < y.key ? -1 : 1;
        if (descending) order = -order;
        return order || x.index - y.index;
      });
      body.append(...keyed.map((item) => item.row));
      headings.forEach((heading, at) => {
        if (at === column) {
          heading.setAttribute('aria-sort', descending ? 'descending' : 'ascending');
        } else {
          heading.removeAttribute('aria-sort');
        }
      });
    }

    headings.forEach((heading, column) => {
      if (heading.classList.contains('link')) return;
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = heading.textContent;
      heading.textContent = '';
      heading.append(button);
      button.addEventListener('click', () => {
        const current = heading.getAttribute('aria-sort');
        const descending = current
          ? current === 'ascending'
          : heading.getAttribute('data-first') === 'descending';
        sortBy(column, descending);
      });
    });
    headings[0].setAttribute('aria-sort', 'ascending');

    const tools = table.previousElementSibling;
    if (!tools || !tools.classList.contains('tools')) return;
    const filter = tools.querySelector('input');
    const count = tools.querySelector('output');
    tools.hidden = false;
    filter.addEventListener('input', () => {
      const text = filter.value.trim().toLowerCase();
      let shown = 0;
      rows.forEach((row, index) => {
        const keep = text === '' || names[index].some((name) => name.includes(text));
        row.hidden = !keep;
        if (keep) shown += 1;
      });
      count.textContent = '显示 ' + shown + ' / ' + rows.length + ' 对';
    });
  }

  // Scrolls the code box of `side` so that the first stretch of `tile`
  // stands a quarter down from its top.
  function reveal(side, tile) {
    const first = side.querySelector('mark[data-t="' + tile + '"]');
    if (!first) return;
    const box = side.querySelector('.code');
    const offset = first.getBoundingClientRect().top - box.getBoundingClientRect().top;
    box.scrollTop += offset - box.clientHeight / 4;
    first.scrollIntoView({ block: 'nearest', inline: 'nearest' });
  }

  function select(pair, tile) {
    pair.querySelectorAll('mark.on, tr.on').forEach((item) => item.classList.remove('on'));
    pair.querySelectorAll('[data-t="' + tile + '"]').forEach((item) => item.classList.add('on'));
  }

  function onClick(event) {
    const target = event.target instanceof Element ? event.target : null;
    if (!target) return;
    const pair = target.closest('section.pair');
    if (!pair) return;
    const mark = target.closest('mark[data-t]');
    if (mark) {
      const tile = mark.getAttribute('data-t');
      const side = mark.closest('.side');
      select(pair, tile);
      pair.querySelectorAll('.side').forEach((other) => {
        if (other !== side) reveal(other, tile);
      });
      return;
    }
    const row = target.closest('tr[data-t]');
    if (row) {
      const tile = row.getAttribute('data-t');
      select(pair, tile);
      pair.querySelectorAll('.side').forEach((side) => reveal(side, tile));
      pair.querySelector('.sides').scrollIntoView({ block: 'start' });
    }
  }

  function onKey(event) {
    if (event.key !== 'Enter' && event.key !== ' ') return;
    const row = event.target instanceof Element ? event.target.closest('tr[data-t]') : null;
    if (!row) return;
    event.preventDefault();
    row.click();
  }

  document.querySelectorAll('table.ranking').forEach(setUpRanking);
  document.querySelectorAll('.tiles tr[data-t]').forEach((row) => { row.tabIndex = 0; });
  document.addEventListener('click', onClick);
  document.addEventListener('keydown', onKey);
  document.documentElement.classList.add('js');
})();
